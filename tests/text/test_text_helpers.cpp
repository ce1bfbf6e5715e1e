#include "text_helpers.h"
#include "text_types.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "#引号" in code page 936: a caller's way to write a double quote in a marker.
const Text quote_word = "#\xD2\xFD\xBA\xC5";

}  // namespace

TEST(TextBefore, Cases)
{
    struct Case {
        Text text, marker;
        int start;
        bool ignore_case;
        Text expected;
        const char* why;
    };
    const Case cases[] = {
        {"Set-Cookie: a=1", ": ", 0, false, "Set-Cookie", "header name"},
        {"Set-Cookie a=1", ": ", 0, false, "", "no marker"},
        {"a-bcd-ef", "-", 4, false, "a-bcd", "from start 4, still counted from position 1"},
        {"a-bcd-ef", "-", -3, false, "a", "negative start searches from the first byte"},
        {": x", ": ", 0, false, "", "marker at position 1"},
        {"abcXdef", "x", 0, false, "", "case counts by default"},
        {"abcXdef", "x", 0, true, "abc", "ignore_case"},
        {"\xB0\x2D-", "-", 0, false, "\xB0\x2D", "a second byte is not a marker"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_before(c.text, c.marker, c.start, c.ignore_case), c.expected) << c.why;
}

TEST(TextBetween, Cases)
{
    const Text page =
        "<script>var hyPlayerConfig = {\"stream\": {\"data\" : [ 1 ],\r\n \"x\": 2 "
        "};\r\n};</script>";
    struct Case {
        Text text, begin, end;
        int start;
        bool ignore_case;
        Text expected;
        const char* why;
    };
    const Case cases[] = {
        {page, "\"stream\":", "};", 0, false, " {\"data\" : [ 1 ],\r\n \"x\": 2 ",
         "the page's description, spaces and line breaks kept"},
        {"x \"abc\" \"d\"", "\"", "\"", 0, false, "abc", "between the first two double quotes"},
        {"x \"abc\" \"d\"", quote_word, quote_word, 0, false, "abc", "#引号 stands for a quote"},
        {"a=\"1\"", "a=" + quote_word, quote_word, 0, false, "1", "#引号 inside a longer marker"},
        {"end] [begin", "[", "]", 0, false, "", "end only before begin"},
        {"[]", "[", "]", 0, false, "", "markers that touch"},
        {"(a)(b)", "(", ")", 3, false, "b", "from a later start"},
        {"(a", "(", ")", 0, false, "", "no end"},
        {"a)", "(", ")", 0, false, "", "no begin"},
        {"<B>x</b>", "<b>", "</B>", 0, true, "x", "ignore_case on both markers"},
        {"<B>x</b>", "<b>", "</B>", 0, false, "", "case counts by default"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(text_between(c.text, c.begin, c.end, c.start, c.ignore_case), c.expected)
            << c.why;
}
