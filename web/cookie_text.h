// Cookie texts: items, normally "name=value", separated by "; " (a ";" without a
// following space separates nothing). The empty text holds no item.
#pragma once

#include "text_types.h"

// One cookie text fit for the next request: the new items first (replacing old
// items of the same name), then the old items the new text did not name; items
// ending in "=deleted" and exact repeats dropped. Both variables are rewritten:
// new_text is trimmed (a trailing ";" gains a space), old_text gets the result.
// Never fails; two empty texts give the empty text.
Text merge_cookie_text(Text& old_text, Text& new_text);

// The bytes before the item's first "=", or the whole item, spaces trimmed;
// the empty text for the empty item.
Text cookie_name(const Text& item);

// True when the cookie_name of some element equals name byte for byte; false
// for an empty array.
bool has_cookie_named(const TextArray& items, const Text& name);

// One-based index of the first element equal to text byte for byte, or -1.
int index_in_array(const TextArray& items, const Text& text);

// The items of text in order without repeats, joined by separator. split_mode
// true cuts text at separator; false cuts it into characters (split_characters).
// Gives the empty text for the empty text.
Text distinct_items(const Text& text, const Text& separator, bool split_mode);

// One item per character: a byte of 0x81 or above with the byte after it, a CR
// directly followed by LF, every other byte alone (a last lone byte included).
// Gives no item for the empty text.
TextArray split_characters(const Text& text);
