#include "engine_text.h"

#include <gtest/gtest.h>

// "\xD6\xD0" is the GBK form of U+4E2D, "\xE4\xB8\xAD" its UTF-8 form.

TEST(EngineText, IntoTheEngine)
{
    struct Case { Text gbk; std::string expected; const char* why; };
    const Case cases[] = {
        {"", "", "empty"},
        {"a+b", "a+b", "ASCII passes as it is"},
        {"'\xD6\xD0'", "'\xE4\xB8\xAD'", "a Chinese character"},
        {"\x80", "\xE2\x82\xAC", "0x80 is the euro sign"},
        {"a\xD6", "a\xEF\xBF\xBD", "a lead byte without its pair becomes U+FFFD"},
    };
    for (const auto& c : cases) EXPECT_EQ(engine_text_from_gbk(c.gbk), c.expected) << c.why;
}

TEST(EngineText, OutOfTheEngine)
{
    struct Case { std::string engine; Text expected; const char* why; };
    const Case cases[] = {
        {"", "", "empty"},
        {"abc", "abc", "ASCII"},
        {"\xE4\xB8\xAD", "\xD6\xD0", "a Chinese character"},
        {"\xED\xA0\xBD\xED\xB8\x80", "?", "a surrogate pair in CESU-8 (an emoji): no GBK form"},
        {"\xF0\x9F\x98\x80", "?", "the same emoji in four-byte UTF-8"},
        {"\xE2\x90\x80", "?", "U+2400 has no GBK form"},
        {std::string("a\0b", 3), "a", "a text ends at a zero character"},
        {std::string("\xE4\xB8\xAD\0b", 5), "\xD6\xD0", "also after a Chinese character"},
        {"\xC0\xAF", "??", "overlong forms are malformed, each byte replaced"},
        {"\xE4\xB8", "??", "a sequence cut short"},
        {"\xFF" "a", "?a", "a byte that starts nothing"},
    };
    for (const auto& c : cases) EXPECT_EQ(gbk_from_engine_text(c.engine), c.expected) << c.why;
}
