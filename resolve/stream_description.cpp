#include "stream_description.h"

#include "encodings.h"
#include "text_helpers.h"

namespace {

const Text end_marker = "};";
const char* const blanks = " \t\r\n";

// The index just past the brace that closes the object opening at open (both
// zero-based), counting braces outside double-quoted texts only; npos when it
// never closes. The walk steps over two-byte characters whole, so a second byte
// 0x5C inside a text is not taken for an escape.
std::size_t object_end(const Text& text, std::size_t open)
{
    int depth = 0;
    bool in_text = false;
    for (std::size_t i = open; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x80) {
            ++i;
        } else if (in_text) {
            if (byte == '\\')
                ++i;
            else if (byte == '"')
                in_text = false;
        } else if (byte == '"') {
            in_text = true;
        } else if (byte == '{') {
            ++depth;
        } else if (byte == '}' && --depth == 0) {
            return i + 1;
        }
    }
    return Text::npos;
}

// The description that begins at position begin (one-based, just after the
// start marker). The streamer picks the nick and the title, which may hold "};",
// and the page may give more members after the description, so an object is
// taken to its own closing brace; blanks between that brace and the end marker
// stay with it, as they always have. Anything else is cut at the end marker.
Text description_from(const Text& page, int begin)
{
    const int cut_end = find_text(page, end_marker, begin);
    if (cut_end == -1) return {};
    const Text as_cut = text_mid(page, begin, cut_end - begin);

    const std::size_t open = page.find_first_not_of(blanks, static_cast<std::size_t>(begin - 1));
    if (open == Text::npos || page[open] != '{') return as_cut;
    const std::size_t close = object_end(page, open);
    if (close == Text::npos) return as_cut;
    const int next_end = find_text(page, end_marker, static_cast<int>(close) + 1);
    if (next_end == -1) return {};
    const std::size_t blanks_end = page.find_first_not_of(blanks, close);
    const std::size_t end =
        blanks_end == static_cast<std::size_t>(next_end - 1) ? blanks_end : close;
    return page.substr(static_cast<std::size_t>(begin - 1),
                       end - static_cast<std::size_t>(begin - 1));
}

}  // namespace

Text cut_stream_description(const Text& page)
{
    const Text quoted_marker = "\"stream\":";
    const int quoted = find_text(page, quoted_marker);
    if (quoted != -1) return description_from(page, quoted + text_length(quoted_marker));

    const int player_config = find_text(page, "hyPlayerConfig");
    if (player_config == -1) return {};
    const Text bare_marker = "stream:";
    const int bare = find_text(page, bare_marker, player_config);
    if (bare == -1) return {};
    return description_from(page, bare + text_length(bare_marker));
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
