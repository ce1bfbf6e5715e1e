// The text primitives every parser is built of, on arbitrary bytes: a text, a
// needle (also the delimiter and a marker), a second short text (the replacement,
// the other marker) and the numbers, all taken from the input.
#include "fuzz_support.h"

#include "text_helpers.h"

#include <optional>

namespace {

// Case folding as the case-blind search does it: every byte on its own.
Text fold_bytes(Text text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return text;
}

void check_find(const Text& text, const Text& needle, int start, bool ignore_case)
{
    const int found = find_text(text, needle, start, ignore_case);
    FUZZ_CHECK(found == -1 || (found >= 1 && found <= text_length(text)));
    if (found == -1) return;
    // The empty needle is found at 1 whatever the start, as the system always had it.
    if (needle.empty())
        FUZZ_CHECK(found == 1);
    else
        FUZZ_CHECK(found >= start);
    const Text at = text_mid(text, found, text_length(needle));
    if (ignore_case)
        FUZZ_CHECK(fold_bytes(at) == fold_bytes(needle));
    else
        FUZZ_CHECK(at == needle);
}

void check_replace(const Text& text, const Text& needle, const Text& other, int start,
                   std::optional<int> count, bool ignore_case)
{
    const Text replaced = replace_text(text, needle, other, start, count, !ignore_case);
    if (needle.empty() || find_text(text, needle, start, ignore_case) == -1 ||
        (count && *count == 0))
        FUZZ_CHECK(replaced == text);
    // Each replacement consumes at least one byte of the text.
    FUZZ_CHECK(replaced.size() <= text.size() * (other.size() + 1));
    if (!ignore_case) FUZZ_CHECK(replace_text(text, needle, needle, start, count) == text);
}

void check_split(const Text& text, const Text& delimiter)
{
    const TextArray pieces = split_text(text, delimiter);
    Text joined;
    for (int i = 1; i <= pieces.count(); ++i) {
        if (i > 1) joined += delimiter;
        joined += pieces.at(i);
    }
    // Only a trailing delimiter is lost.
    FUZZ_CHECK(joined == text || joined + delimiter == text);
    FUZZ_CHECK(text.empty() == (pieces.count() == 0));
}

void check_trim(const Text& text)
{
    const Text trimmed = trim_text(text);
    FUZZ_CHECK(text.find(trimmed) != Text::npos);
    FUZZ_CHECK(trim_text(trimmed) == trimmed);
    FUZZ_CHECK(trimmed.empty() || (trimmed[0] != ' ' && trimmed.rfind("\xA1\xA1", 0) != 0));

    const Text without_spaces = remove_spaces(text);
    FUZZ_CHECK(without_spaces.size() <= text.size());
    FUZZ_CHECK(remove_spaces(without_spaces) == without_spaces);
    FUZZ_CHECK(remove_spaces(trimmed) == without_spaces);
}

void check_cuts(const Text& text, const Text& begin, const Text& end, int start, int n,
                bool ignore_case)
{
    FUZZ_CHECK(text_left(text, n).size() <= text.size());
    FUZZ_CHECK(text_right(text, n).size() <= text.size());
    FUZZ_CHECK(text_mid(text, start, n).size() <= text.size());
    (void)char_code(text, start);
    (void)text_to_int(text);

    const Text before = text_before(text, begin, start, ignore_case);
    FUZZ_CHECK(text.rfind(before, 0) == 0);
    const Text between = text_between(text, begin, end, start, ignore_case);
    FUZZ_CHECK(text.find(between) != Text::npos);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider provider(data, size);
    const int start = provider.ConsumeIntegralInRange<int>(-2, 80);
    const int number = provider.ConsumeIntegralInRange<int>(-2, 80);
    const bool ignore_case = provider.ConsumeBool();
    const bool with_count = provider.ConsumeBool();
    const Text needle = consume_text(provider, 8);
    const Text other = consume_text(provider, 8);
    const std::vector<std::uint8_t> rest = provider.ConsumeRemainingBytes<std::uint8_t>();
    const Text text = text_from(rest.data(), rest.size());

    const std::optional<int> count = with_count ? std::optional<int>(number) : std::nullopt;
    check_find(text, needle, start, ignore_case);
    check_replace(text, needle, other, start, count, ignore_case);
    check_split(text, needle);
    check_trim(text);
    check_cuts(text, needle, other, start, number, ignore_case);
    (void)upper_case(text);
    return 0;
}
