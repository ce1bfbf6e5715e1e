// The platform's own way of handling the window messages already queued for the
// calling thread: what process_events() does until a program installs its pump.
#pragma once

// Returns when the queue is empty, or when the next message is a request to quit,
// which stays queued for the message loop. Does nothing where the window system
// keeps no queue per thread.
void handle_queued_messages();
