// What every fuzz target shares: turning the fuzzer's bytes into the values the
// routines take, and a check that stops the run with a message when a property
// of a result does not hold.
#pragma once

#include "text_types.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>

// The bytes without their zero bytes: a Text never holds one (the page decoder
// cuts there), so a routine may rely on that.
Text text_from(const std::uint8_t* data, std::size_t size);

// A text of at most max_length bytes taken from the provider, zero bytes dropped.
Text consume_text(FuzzedDataProvider& provider, std::size_t max_length);

// Prints what failed with the input's length and aborts, which the fuzzer reports
// as a crash and saves the input for.
[[noreturn]] void property_failed(const char* what, const char* file, int line);

#define FUZZ_CHECK(condition)                                              \
    do {                                                                   \
        if (!(condition)) property_failed(#condition, __FILE__, __LINE__); \
    } while (0)
