#include "cookie_text.h"

namespace {

const Text item_separator = "; ";

// Trimmed, and a trailing ";" gets its space back so that splitting at "; "
// leaves no half separator on the last item.
Text tidy_cookie_text(const Text& text)
{
    Text tidy = trim_text(text);
    if (!tidy.empty() && tidy.back() == ';') tidy += ' ';
    return tidy;
}

bool is_deleted(const Text& item)
{
    return text_right(item, 8) == "=deleted";
}

}  // namespace

Text merge_cookie_text(Text& old_text, Text& new_text)
{
    old_text = tidy_cookie_text(old_text);
    new_text = tidy_cookie_text(new_text);

    const TextArray old_items = split_text(old_text, item_separator);
    TextArray merged = split_text(new_text, item_separator);
    // Checked against the growing list: the first old item of a name wins, and an
    // old item never displaces a new one.
    for (int i = 1; i <= old_items.count(); ++i) {
        if (!has_cookie_named(merged, cookie_name(old_items.at(i)))) merged.append(old_items.at(i));
    }

    Text joined;
    for (int i = 1; i <= merged.count(); ++i) {
        if (is_deleted(merged.at(i))) continue;
        joined += merged.at(i);
        joined += item_separator;
    }
    joined = text_left(joined, text_length(joined) - 2);

    old_text = distinct_items(joined, item_separator, true);
    return old_text;
}

Text cookie_name(const Text& item)
{
    const int equals = find_text(item, "=");
    if (equals == -1) return trim_text(item);
    return trim_text(text_left(item, equals - 1));
}

bool has_cookie_named(const TextArray& items, const Text& name)
{
    for (int i = 1; i <= items.count(); ++i) {
        if (cookie_name(items.at(i)) == name) return true;
    }
    return false;
}

int index_in_array(const TextArray& items, const Text& text)
{
    for (int i = 1; i <= items.count(); ++i) {
        if (items.at(i) == text) return i;
    }
    return -1;
}

Text distinct_items(const Text& text, const Text& separator, bool split_mode)
{
    const TextArray items = split_mode ? split_text(text, separator) : split_characters(text);
    TextArray taken;
    Text output;
    for (int i = 1; i <= items.count(); ++i) {
        if (index_in_array(taken, items.at(i)) != -1) continue;
        taken.append(items.at(i));
        output += items.at(i);
        output += separator;
    }
    return text_left(output, text_length(output) - text_length(separator));
}

TextArray split_characters(const Text& text)
{
    TextArray characters;
    std::size_t i = 0;
    while (i < text.size()) {
        const auto byte = static_cast<unsigned char>(text[i]);
        const bool pair =
            i + 1 < text.size() && (byte >= 0x81 || (byte == '\r' && text[i + 1] == '\n'));
        const std::size_t width = pair ? 2 : 1;
        characters.append(text.substr(i, width));
        i += width;
    }
    return characters;
}
