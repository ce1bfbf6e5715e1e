#include "fuzz_support.h"

#include "runtime_hooks.h"

#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// fatal_error() ends the process quietly with _Exit, which the fuzzer would not
// notice as a fault. Outside input must never reach it (it means an array index
// out of range), so here it aborts like any other crash.
const bool fatal_errors_abort = [] {
    set_fatal_error_reporter([](const std::string& message) {
        std::fprintf(stderr, "fatal_error reached: %s\n", message.c_str());
        std::abort();
    });
    return true;
}();

}  // namespace

Text text_from(const std::uint8_t* data, std::size_t size)
{
    (void)fatal_errors_abort;
    Text text;
    text.reserve(size);
    for (std::size_t i = 0; i < size; ++i)
        if (data[i] != 0) text.push_back(static_cast<char>(data[i]));
    return text;
}

Text consume_text(FuzzedDataProvider& provider, std::size_t max_length)
{
    const std::string bytes = provider.ConsumeRandomLengthString(max_length);
    return text_from(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

void property_failed(const char* what, const char* file, int line)
{
    std::fprintf(stderr, "property does not hold: %s (%s:%d)\n", what, file, line);
    std::abort();
}
