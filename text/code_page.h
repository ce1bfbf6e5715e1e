// Conversions between code page 936 text and Unicode, for the edges where text
// leaves the system (the window, the script engine, the terminal).
#pragma once

#include "text_types.h"

#include <string>
#include <string_view>

// Bytes that are not valid code page 936 become U+FFFD.
std::u16string gbk_to_utf16(const Text& text);

// Characters that code page 936 cannot hold become "?". The result ends before
// the first zero character, as a Text must.
Text utf16_to_gbk(std::u16string_view text);

std::string utf8_from_gbk(const Text& text);

// Malformed UTF-8 becomes U+FFFD first; the result ends before the first zero byte.
Text gbk_from_utf8(std::string_view utf8);
