#include "thread_messages.h"

// Qt and the terminal keep no message queue per thread: the Qt window installs
// its own pump with set_event_pump.
void handle_queued_messages() {}
