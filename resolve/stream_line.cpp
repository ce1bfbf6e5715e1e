#include "stream_line.h"

#include "stream_paths.h"

StreamLine read_stream_line(JsonScriptObject& document, int zero_based_index)
{
    StreamLine line;
    line.stream_name = read_line_member(document, zero_based_index, "sStreamName");
    line.hls_base = read_line_member(document, zero_based_index, "sHlsUrl");
    line.line_index = read_line_member(document, zero_based_index, "iLineIndex");
    return line;
}

Text read_line_member(JsonScriptObject& document, int zero_based_index, const char* name)
{
    return document.get_text(element_member_path(lines_path, zero_based_index, name));
}
