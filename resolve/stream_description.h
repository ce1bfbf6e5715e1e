// The room page embeds a description of the room's streams (a JSON object text);
// these routines find it in the page and undo its Base64 wrapping.
#pragma once

#include "text_types.h"

// The description between the page's "\"stream\":" marker and the next "};".
// Pages that no longer hold that quoted marker embed it in the player set-up
// instead ("hyPlayerConfig = { ... stream: {...} };"); the first "stream:" after
// "hyPlayerConfig" is taken then. Gives the empty text when neither is found.
Text cut_stream_description(const Text& page);

// True when the description is a JSON object text, recognised by the word
// "status" in it; otherwise it is a quoted Base64 text.
bool is_plain_description(const Text& description);

// The JSON object text: the description itself when it is plain, otherwise the
// UTF-8 text that the Base64 text between its first two double quotes stands
// for, up to the first zero byte. Gives the empty text when nothing decodes.
Text unwrap_stream_description(const Text& description);
