#include "header_block.h"

#include <gtest/gtest.h>

// "\xD6\xD0" and "\xCE\xC4" are the GBK bytes of two Chinese characters; "\xA1\xA1"
// is the full-width space. "\x81\x3A" and "\x81\x2D" are two-byte characters whose
// second byte has the value of ":" and "-".

TEST(HeaderBlock, Normalize)
{
    // clang-format off
    struct Case { Text block, expected; const char* why; };
    const Case cases[] = {
        {"", "", "the empty block"},
        {"accept: */*", "Accept: */*", "first letter raised"},
        {"user-agent: x", "User-Agent: x", "every dash-separated word raised"},
        {"x-requested-with:yes", "X-Requested-With:yes", "no space inserted after the colon"},
        {"content-TYPE: a", "Content-TYPE: a", "the rest of each word keeps its case"},
        {" accept: a", " accept: a", "a leading space is the first byte"},
        {"a-: v", "A-: v", "a trailing dash stays"},
        {"-a: v", "-A: v", "a leading dash"},
        {"a--b: v", "A--B: v", "two dashes in a row"},
        {"a--: v", "A--: v", "two trailing dashes"},
        {"-: v", "-: v", "a name that is only a dash"},
        {": v", ": v", "empty name"},
        {"no colon here", "", "a line without a colon is dropped"},
        {"\r\nAccept: a\r\n", "Accept: a", "leading and trailing CR LF dropped"},
        {"a: 1\r\n\r\nb: 2", "A: 1\r\nB: 2", "an empty line in the middle is dropped"},
        {"a: 1\r\nnothing\r\nb: 2", "A: 1\r\nB: 2", "a line without a colon in the middle"},
        {"a: x\ny: z\rw", "A: x\ny: z\rw", "a lone LF or CR is part of the line"},
        {"\r\nAccept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
         "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
         "Accept: */*\r\nReferer: http://h/p\r\nAccept-Language: zh-cn\r\n"
         "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)",
         "the default block loses its leading CR LF"},
        {"x-\xD6\xD0: \xCE\xC4", "X-\xD6\xD0: \xCE\xC4", "a two-byte character after a dash"},
        {"\xD6\xD0-a: v", "\xD6\xD0-A: v", "a two-byte character before a dash"},
        {"x\x81\x3A-y: v", "X\x81\x3A-Y: v", "a second byte is never the colon"},
        {"a\x81\x2D" "b: v", "A\x81\x2D" "b: v", "a second byte is never a dash"},
        {"a\x81\x3A", "", "no colon but the second byte of a character"},
        {"a: b\x81\r\nc: d", "A: b\x81\r\nc: d", "a lead byte takes the CR: one line"},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(normalize_header_block(c.block), c.expected) << c.why;
}

TEST(HeaderBlock, LineNameAndValue)
{
    // clang-format off
    struct Case { Text line, name, value; const char* why; };
    const Case cases[] = {
        {"  Name  :  v a  ", "Name", "v a", "spaces trimmed at both ends"},
        {"Host: a:8080", "Host", "a:8080", "only the first colon divides"},
        {"novalue", "", "", "no colon"},
        {"a:", "a", "", "empty value"},
        {":b", "", "b", "empty name"},
        {"a:\tb", "a", "\tb", "a tab is not trimmed"},
        {"\xA1\xA1n\xA1\xA1:\xA1\xA1v\xA1\xA1", "n", "v", "full-width spaces trimmed"},
        {"\xD6\xD0:\xCE\xC4", "\xD6\xD0", "\xCE\xC4", "two-byte characters on both sides"},
        {"\x81\x3A:v", "\x81\x3A", "v", "the colon inside a character does not divide"},
    };
    // clang-format on
    for (const auto& c : cases) {
        EXPECT_EQ(header_line_name(c.line), c.name) << c.why;
        EXPECT_EQ(header_line_value(c.line), c.value) << c.why;
    }
}

TEST(HeaderBlock, UpperFirstLetter)
{
    // clang-format off
    struct Case { Text word, expected; const char* why; };
    const Case cases[] = {
        {"", "", "empty stays empty"},
        {"abc", "Abc", "a to z raised"},
        {"zed", "Zed", "the last letter"},
        {"Abc", "Abc", "already upper case"},
        {"1bc", "1bc", "a digit"},
        {"\xE1\x62", "\xE1\x62", "a lead byte never changes"},
        {"aBC", "ABC", "only the first byte can change"},
    };
    // clang-format on
    for (const auto& c : cases) EXPECT_EQ(upper_first_letter(c.word), c.expected) << c.why;
}
