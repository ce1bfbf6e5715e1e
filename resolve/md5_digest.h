// MD5 of a byte string, from the platform's own cryptography library.
#pragma once

#include <string>
#include <string_view>

// The digest as 32 lower-case hexadecimal digits; the empty string when the
// platform's library cannot compute it.
std::string md5_hex(std::string_view bytes);
