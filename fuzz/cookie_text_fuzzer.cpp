// Cookie texts as they arrive: the stored text and the one a response sets,
// merged; and the item helpers the merge is built of.
#include "fuzz_support.h"

#include "cookie_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    FuzzedDataProvider provider(data, size);
    const bool split_mode = provider.ConsumeBool();
    const Text separator = consume_text(provider, 3);
    Text old_text = consume_text(provider, 2048);
    const std::vector<std::uint8_t> rest = provider.ConsumeRemainingBytes<std::uint8_t>();
    Text new_text = text_from(rest.data(), rest.size());

    const std::size_t total = old_text.size() + new_text.size();
    const Text merged = merge_cookie_text(old_text, new_text);
    FUZZ_CHECK(merged == old_text);
    FUZZ_CHECK(merged.size() <= total + 4);
    const TextArray items = split_text(merged, "; ");
    for (int i = 1; i <= items.count(); ++i) {
        FUZZ_CHECK(text_right(items.at(i), 8) != "=deleted");
        FUZZ_CHECK(index_in_array(items, items.at(i)) == i);
        FUZZ_CHECK(has_cookie_named(items, cookie_name(items.at(i))));
    }

    const TextArray characters = split_characters(new_text);
    Text joined;
    for (int i = 1; i <= characters.count(); ++i) joined += characters.at(i);
    FUZZ_CHECK(joined == new_text);
    const Text distinct = distinct_items(new_text, separator, split_mode);
    if (split_mode) FUZZ_CHECK(distinct.size() <= new_text.size());
    return 0;
}
