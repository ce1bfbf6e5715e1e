// How texts cross into the script engine and back. The engine keeps its strings
// as CESU-8: UTF-8 in which every UTF-16 unit, surrogates included, is encoded on
// its own.
#pragma once

#include "text_types.h"

#include <string>
#include <string_view>

// Bytes that are not valid code page 936 become U+FFFD.
std::string engine_text_from_gbk(const Text& text);

// Malformed sequences become U+FFFD; characters that code page 936 cannot hold
// become "?". The result ends before the first zero character.
Text gbk_from_engine_text(std::string_view bytes);
