// Seams for the two primitives that reach outside the text library: the program
// installs the real ones at start-up (the window's event pump, an error box);
// tests install recorders.
#pragma once

#include <functional>
#include <string>

// Runs whatever process_events() should do; by default it handles the thread's
// queued window messages where the platform has such a queue (Windows).
void set_event_pump(std::function<void()> pump);

// Shown by fatal_error() before the process ends with exit code -1. The default
// writes the message to standard error. The message is UTF-8.
void set_fatal_error_reporter(std::function<void(const std::string& message)> reporter);

// What fatal_error() says for a code: "Run-time error <code>: <meaning>".
std::string fatal_error_message(int code);
