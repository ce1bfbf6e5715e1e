#include "stream_line.h"

#include "stream_paths.h"

StreamLine read_stream_line(JsonScriptObject& document, int zero_based_index)
{
    auto member = [&](const char* name) {
        return document.get_text(element_member_path(lines_path, zero_based_index, name));
    };
    StreamLine line;
    line.stream_name = member("sStreamName");
    line.hls_base = member("sHlsUrl");
    line.line_index = member("iLineIndex");
    return line;
}
