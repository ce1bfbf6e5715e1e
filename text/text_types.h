// The value types every routine works on, and their small operations.
//
// Text is a byte string in code page 936 (GBK) that holds no zero byte. Lengths
// and positions count bytes; positions are one-based. A byte of 0x80 or more
// starts a two-byte character: the "character-wise" operations step over such a
// pair as one unit, the others count plain bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;

// Stops the program with the run-time error box; never returns.
// Codes raised by the system: 1 (array index above the count), 4 (index below 1).
[[noreturn]] void fatal_error(int code);

// Lets the window handle every message already queued; returns when the queue is empty.
void process_events();

// A one-dimensional, growable sequence indexed from 1 to its count. Every element
// access checks the index and stops the program on a bad one.
template <typename T>
class OneBasedArray {
public:
    int count() const { return static_cast<int>(items_.size()); }
    void append(T value) { items_.push_back(std::move(value)); }
    const T& at(int index) const { return items_[checked(index)]; }
    T& at(int index) { return items_[checked(index)]; }

private:
    std::size_t checked(int index) const
    {
        if (index < 1) fatal_error(4);
        if (index > count()) fatal_error(1);
        return static_cast<std::size_t>(index - 1);
    }
    std::vector<T> items_;
};

using TextArray = OneBasedArray<Text>;

// ---- Text: cutting, searching and building -------------------------------

int text_length(const Text& text);
Text text_left(const Text& text, int n);            // byte-wise; empty for n <= 0
Text text_right(const Text& text, int n);           // byte-wise; empty for n <= 0
Text text_mid(const Text& text, int start, int n);  // empty when start is outside 1..length

// Position of the first occurrence of needle at or after start (start < 1 means
// the whole text), or -1. Matches never begin on the second byte of a character.
// An empty needle gives 1 whenever the searched stretch holds a byte.
int find_text(const Text& text, const Text& needle, int start = 0, bool ignore_case = false);

// Replaces occurrences of old_text from start on (count absent: all of them).
// Gives the text unchanged when nothing applies.
Text replace_text(const Text& text, const Text& old_text, const Text& new_text = {}, int start = 1,
                  std::optional<int> count = std::nullopt, bool case_sensitive = true);

// Cuts at every delimiter; a trailing delimiter gives no empty last element,
// the empty text gives no element, an empty delimiter gives the whole text.
TextArray split_text(const Text& text, const Text& delimiter);

Text trim_text(const Text& text);      // only 0x20 and the pair 0xA1 0xA1 are spaces
Text remove_spaces(const Text& text);  // the same spaces, anywhere in the text
Text upper_case(const Text& text);     // a-z only; two-byte characters untouched

// The byte at position (first byte when absent) as a signed value; 0 outside the text.
int char_code(const Text& text, int position = 1);
Text char_from_code(int code);  // one byte, the low 8 bits; code 0 gives the empty text
Text space_text(int n);

template <typename... Rest>
Text concat_text(const Text& first, const Rest&... rest)
{
    Text joined = first;
    (joined.append(rest), ...);
    return joined;
}

bool compare_text(const Text& a, const Text& b);

// ---- Text: conversions ------------------------------------------------------

Text number_to_text(int value);  // "%d"
// Whole numbers up to 2^53 in size as integers; others in the shortest text
// that reads back to the same double. Always a point, whatever the locale.
Text number_to_text(double value);
Text bytes_to_text(const Bytes& bytes);  // up to the first zero byte
int text_to_int(const Text& text);       // full-width forms read as ASCII; 0 without digits
Bytes text_to_bytes(const Text& text);
std::uint8_t to_byte(int value);

// ---- Bytes -------------------------------------------------------------------

int bytes_length(const Bytes& bytes);
Bytes bytes_left(const Bytes& bytes, int n);
Bytes bytes_right(const Bytes& bytes, int n);
Bytes bytes_mid(const Bytes& bytes, int start, int n);  // start below 1 counts as 1
Bytes zero_bytes(int n);

template <typename... Rest>
Bytes concat_bytes(const Bytes& first, const Rest&... rest)
{
    Bytes joined = first;
    (joined.insert(joined.end(), rest.begin(), rest.end()), ...);
    return joined;
}

bool compare_bytes(const Bytes& a, const Bytes& b);

// ---- Arrays --------------------------------------------------------------------

int array_count(const TextArray& array);
void array_append(TextArray& array, const Text& text);

// ---- Numbers ---------------------------------------------------------------------

template <typename... Rest>
int bit_and(int first, Rest... rest)
{
    return (first & ... & rest);
}
template <typename... Rest>
int bit_or(int first, Rest... rest)
{
    return (first | ... | rest);
}
int shift_left(int value, int n);       // n modulo 32
int shift_right(int value, int n);      // arithmetic, n modulo 32
double int_divide(double a, double b);  // truncated toward zero
double modulo(double a, double b);      // sign of the dividend
