// The codecs between Bytes and Text: UTF-8 to code page 936, and Base64 (the
// standard alphabet with "=" padding).
#pragma once

#include "text_types.h"

// The UTF-8 bytes as code page 936 text, ending before the first zero byte.
// Never fails: malformed UTF-8 becomes "?", and so does a character the code page
// lacks (unless it is an invisible one, which is dropped); empty Bytes give empty text.
Text utf8_to_gbk(const Bytes& utf8);

// Base64 of the bytes, with padding and without line breaks. Pads the caller's
// buffer with zero bytes to a multiple of three. The empty Bytes give the empty text.
Text base64_encode(Bytes& bytes);

// The bytes that the Base64 text stands for. Never fails: a byte outside the
// alphabet stops its group of four and is decoded as its own value, a missing
// character counts as 0. Removes spaces, full-width spaces and CR LF pairs from the
// caller's text. Lets the window handle its queued events once per group of four.
// With strip_zeros, drops every zero byte at the end. Empty text gives empty Bytes.
Bytes base64_decode(Text& text, bool strip_zeros = false);
