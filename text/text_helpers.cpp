#include "text_helpers.h"

Text text_before(const Text& text, const Text& marker, int start, bool ignore_case)
{
    if (start < 1) start = 1;
    const int found = find_text(text, marker, start, ignore_case);
    if (found == -1) return {};
    return text_left(text, found - 1);
}

Text text_between(const Text& text, const Text& begin, const Text& end, int start, bool ignore_case)
{
    // Callers write a double quote inside a marker as "#引号" (GBK bytes below).
    static const Text quote_word = "#\xD2\xFD\xBA\xC5";
    const Text begin_marker = replace_text(begin, quote_word, "\"");
    const Text end_marker = replace_text(end, quote_word, "\"");

    const int begin_at = find_text(text, begin_marker, start, ignore_case);
    if (begin_at == -1) return {};
    const int inside = begin_at + text_length(begin_marker);
    const int end_at = find_text(text, end_marker, inside, ignore_case);
    if (end_at == -1) return {};
    return text_mid(text, inside, end_at - inside);
}
