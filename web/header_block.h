// The request header block: header lines separated by CR LF, each a name, a
// colon and a value. Only CR LF separates lines; a lone CR or LF belongs to its
// line. Colon, dash and line-break searches step over two-byte characters whole.
#pragma once

#include "text_types.h"

// Every line that holds a colon, with the first letter of each dash-separated
// word of its name in upper case (nothing else changes), joined by CR LF with
// none at the end. Lines without a colon are dropped; gives the empty text when
// no line is left.
Text normalize_header_block(const Text& block);

// The bytes before the line's first colon, spaces trimmed; the empty text when
// the line holds no colon.
Text header_line_name(const Text& line);

// The bytes after the line's first colon (further colons included), spaces
// trimmed; the empty text when the line holds no colon.
Text header_line_value(const Text& line);

// The word with its first byte raised to upper case when it is a to z; any other
// word unchanged (the empty text stays empty).
Text upper_first_letter(const Text& word);
