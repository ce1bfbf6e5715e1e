#include "header_block.h"

namespace {

const Text line_break = "\r\n";

Text capitalise_name(const Text& name)
{
    if (find_text(name, "-") == -1) return upper_first_letter(name);
    // A name ending in "-" gives no empty last piece, so the rebuilt name comes
    // out one byte short; the caller takes that "-" back from the line itself.
    const TextArray pieces = split_text(name, "-");
    Text rebuilt;
    for (int i = 1; i <= pieces.count(); ++i) {
        if (i > 1) rebuilt += "-";
        rebuilt += upper_first_letter(pieces.at(i));
    }
    return rebuilt;
}

}  // namespace

Text normalize_header_block(const Text& block)
{
    const TextArray lines = split_text(block, line_break);
    Text result;
    for (int i = 1; i <= lines.count(); ++i) {
        const Text& line = lines.at(i);
        const int colon = find_text(line, ":");
        if (colon == -1) continue;
        const Text name = capitalise_name(text_left(line, colon - 1));
        result += name;
        result += line.substr(name.size());
        result += line_break;
    }
    return text_left(result, text_length(result) - 2);
}

Text header_line_name(const Text& line)
{
    const int colon = find_text(line, ":");
    if (colon == -1) return {};
    return trim_text(text_left(line, colon - 1));
}

Text header_line_value(const Text& line)
{
    const int colon = find_text(line, ":");
    if (colon == -1) return {};
    return trim_text(text_right(line, text_length(line) - colon));
}

Text upper_first_letter(const Text& word)
{
    if (word.empty() || word[0] < 'a' || word[0] > 'z') return word;
    Text raised = word;
    raised[0] = static_cast<char>(word[0] - 'a' + 'A');
    return raised;
}
