#include "runtime_hooks.h"

#include "text_types.h"
#include "thread_messages.h"

#include <cstdio>
#include <cstdlib>

namespace {

std::function<void()>& event_pump()
{
    static std::function<void()> pump;
    return pump;
}

std::function<void(const std::string&)>& fatal_reporter()
{
    static std::function<void(const std::string&)> reporter;
    return reporter;
}

}  // namespace

void set_event_pump(std::function<void()> pump)
{
    event_pump() = std::move(pump);
}

void set_fatal_error_reporter(std::function<void(const std::string&)> reporter)
{
    fatal_reporter() = std::move(reporter);
}

std::string fatal_error_message(int code)
{
    const char* meaning = "unknown error";
    switch (code) {
        case 1:
            meaning = "array index above the element count";
            break;
        case 4:
            meaning = "array index below 1";
            break;
        case 7:
            meaning = "out of memory";
            break;
    }
    return "Run-time error " + std::to_string(code) + ": " + meaning;
}

void process_events()
{
    if (event_pump())
        event_pump()();
    else
        handle_queued_messages();
}

void fatal_error(int code)
{
    const std::string message = fatal_error_message(code);
    if (fatal_reporter())
        fatal_reporter()(message);
    else
        std::fprintf(stderr, "%s\n", message.c_str());
    std::_Exit(-1);
}
