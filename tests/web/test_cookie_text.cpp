#include "cookie_text.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TextArray array_of(std::initializer_list<Text> items)
{
    TextArray array;
    for (const Text& item : items) array.append(item);
    return array;
}

std::vector<Text> items_of(const TextArray& array)
{
    std::vector<Text> out;
    for (int i = 1; i <= array.count(); ++i) out.push_back(array.at(i));
    return out;
}

}  // namespace

TEST(CookieMerge, Table)
{
    // clang-format off
    struct Case { Text old_text, new_text, expected; const char* why; };
    const Case cases[] = {
        {"", "", "", "both empty"},
        {"a=1", "", "a=1", "old alone"},
        {"", "a=1", "a=1", "new alone"},
        {"a=1; b=2", "b=3; c=4", "b=3; c=4; a=1", "new first, replacing old of the same name"},
        {"a=1; b=2;", "b=3; c=4; ", "b=3; c=4; a=1", "trailing separators"},
        {"x=1; z=3", "x=deleted; y=2", "y=2; z=3", "the deletion also removes the sent x"},
        {"q=deleted", "", "", "a deleted old item"},
        {"a=1; a=2", "", "a=1", "first old item of a name wins"},
        {"", "a=1; a=1; a=2", "a=1; a=2", "new items of one name all stay, repeats go"},
        {"a=1;b=2", "b=9", "b=9; a=1;b=2", "a ';' without a space separates nothing"},
        {"a = 1", "a=2", "a=2", "names are trimmed before they are compared"},
        {"A=1", "a=2", "a=2; A=1", "names are case-sensitive"},
        {"a=1; ; b=2", "", "a=1; ; b=2", "the empty item stays, once"},
        {"a=Deleted", "", "a=Deleted", "only the lower-case ending deletes"},
        {"  a=1  ", "  b=2;", "b=2; a=1", "both trimmed"},
        {"flag; a=1", "flag", "flag; a=1", "an item without '=' is named by itself"},
        {"\xD6\xD0=\xCE\xC4; a=1", "\xD6\xD0=x", "\xD6\xD0=x; a=1", "two-byte names compare"},
        {"a=\xD6\xD0; b=\xCE\xC4", "", "a=\xD6\xD0; b=\xCE\xC4", "two-byte values before '; '"},
        {"\xA1\xA1" "a=1\xA1\xA1", "", "a=1", "full-width spaces trimmed"},
    };
    // clang-format on
    for (const auto& c : cases) {
        Text old_text = c.old_text;
        Text new_text = c.new_text;
        EXPECT_EQ(merge_cookie_text(old_text, new_text), c.expected) << c.why;
        EXPECT_EQ(old_text, c.expected) << c.why << " (old variable)";
    }
}

TEST(CookieMerge, NewVariableIsTidied)
{
    // clang-format off
    struct Case { Text new_text, expected; const char* why; };
    const Case cases[] = {
        {"  b=2  ", "b=2", "trimmed"},
        {"b=2;", "b=2; ", "a trailing ';' gains a space"},
        {"b=2; ", "b=2; ", "a trailing '; ' is kept"},
        {"", "", "empty stays empty"},
    };
    // clang-format on
    for (const auto& c : cases) {
        Text old_text = "a=1";
        Text new_text = c.new_text;
        merge_cookie_text(old_text, new_text);
        EXPECT_EQ(new_text, c.expected) << c.why;
    }
}

TEST(CookieItems, NamesAndLookups)
{
    EXPECT_EQ(cookie_name(" a = 1"), "a");
    EXPECT_EQ(cookie_name("a=b=c"), "a");
    EXPECT_EQ(cookie_name(" flag "), "flag");
    EXPECT_EQ(cookie_name(""), "");
    EXPECT_EQ(cookie_name("=v"), "");

    const TextArray items = array_of({"a=1", " b =2", "a=1"});
    EXPECT_TRUE(has_cookie_named(items, "b"));
    EXPECT_FALSE(has_cookie_named(items, "B"));
    EXPECT_FALSE(has_cookie_named(TextArray{}, ""));
    EXPECT_EQ(index_in_array(items, "a=1"), 1);
    EXPECT_EQ(index_in_array(items, " b =2"), 2);
    EXPECT_EQ(index_in_array(items, "b =2"), -1);
    EXPECT_EQ(index_in_array(TextArray{}, ""), -1);
}

TEST(CookieItems, DistinctItems)
{
    // clang-format off
    struct Case { Text text, separator; bool split_mode; Text expected; const char* why; };
    const Case cases[] = {
        {"", "; ", true, "", "empty text"},
        {"a; b; a; c; b", "; ", true, "a; b; c", "repeats dropped, order kept"},
        {"a; b; ", "; ", true, "a; b", "trailing separator gives no empty item"},
        {"; a", "; ", true, "; a", "a leading empty item is an item"},
        {"abcab", ",", false, "a,b,c", "characters"},
        {"\xD6\xD0" "a\xD6\xD0", "", false, "\xD6\xD0" "a", "two-byte characters whole"},
        {"\r\n\r\n\r", "|", false, "\r\n|\r", "CR LF is one character"},
    };
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(distinct_items(c.text, c.separator, c.split_mode), c.expected) << c.why;
}

TEST(CookieItems, SplitCharacters)
{
    // clang-format off
    struct Case { Text text; std::vector<Text> expected; const char* why; };
    const Case cases[] = {
        {"", {}, "no item"},
        {"ab", {"a", "b"}, "single bytes"},
        {"\xD6\xD0x", {"\xD6\xD0", "x"}, "a pair"},
        {"\x80x", {"\x80", "x"}, "0x80 stands alone"},
        {"\x81;", {"\x81;"}, "0x81 takes the next byte whatever it is"},
        {"x\xD6", {"x", "\xD6"}, "a last lone lead byte"},
        {"\r\n\n\r", {"\r\n", "\n", "\r"}, "CR LF together, lone LF and CR apart"},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(items_of(split_characters(c.text)), c.expected) << c.why;
}
