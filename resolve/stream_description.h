// The room page embeds a description of the room's streams (a JSON object text);
// these routines find it in the page and undo its Base64 wrapping.
#pragma once

#include "text_types.h"

// The description after the page's "\"stream\":" marker. Pages that no longer
// hold that quoted marker embed it in the player set-up instead
// ("hyPlayerConfig = { ... stream: {...} };"); the first "stream:" after
// "hyPlayerConfig" is taken then. A description that opens with "{" ends at its
// closing brace (braces inside double-quoted texts do not count), with the
// blanks up to a "};" that follows it at once; any other is cut at the next
// "};". Gives the empty text when no marker is found or no "};" follows.
Text cut_stream_description(const Text& page);

// True when the description is a JSON object text, recognised by the word
// "status" in it; otherwise it is a quoted Base64 text.
bool is_plain_description(const Text& description);

// The JSON object text: the description itself when it is plain, otherwise the
// UTF-8 text that the Base64 text between its first two double quotes stands
// for, up to the first zero byte. Gives the empty text when nothing decodes.
Text unwrap_stream_description(const Text& description);
