#include "stream_description.h"

#include "encodings.h"
#include "text_helpers.h"

Text cut_stream_description(const Text& page)
{
    const Text quoted_marker = "\"stream\":";
    const Text end_marker = "};";
    if (find_text(page, quoted_marker) != -1) return text_between(page, quoted_marker, end_marker);

    const int player_config = find_text(page, "hyPlayerConfig");
    if (player_config == -1) return {};
    return text_between(page, "stream:", end_marker, player_config);
}

bool is_plain_description(const Text& description)
{
    return find_text(description, "status") != -1;
}

Text unwrap_stream_description(const Text& description)
{
    if (is_plain_description(description)) return description;
    Text base64 = text_between(description, "\"", "\"");
    // The site encodes the description as UTF-8 before wrapping it, like the page
    // itself, so the decoded bytes are converted the same way.
    return utf8_to_gbk(base64_decode(base64));
}
