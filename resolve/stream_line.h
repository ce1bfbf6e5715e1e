// One stream line of the room, as the description gives it.
#pragma once

#include "json_script_object.h"
#include "text_types.h"

struct StreamLine {
    Text stream_name;  // "sStreamName"
    Text hls_base;     // "sHlsUrl"
    Text line_index;   // "iLineIndex", as its decimal text
};

// Reads the members of element index (zero-based) of the line list, each on its
// own; an absent member reads as the empty text.
StreamLine read_stream_line(JsonScriptObject& document, int zero_based_index);

// One member of element index (zero-based) of the line list; the empty text when absent.
Text read_line_member(JsonScriptObject& document, int zero_based_index, const char* name);
