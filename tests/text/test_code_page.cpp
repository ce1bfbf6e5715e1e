#include "code_page.h"

#include <gtest/gtest.h>

TEST(CodePage, RoundTripsThroughUnicode)
{
    // 中文 in GBK and in UTF-8.
    const Text gbk = "\xD6\xD0\xCE\xC4 ok";
    const std::string utf8 = "\xE4\xB8\xAD\xE6\x96\x87 ok";
    EXPECT_EQ(utf8_from_gbk(gbk), utf8);
    EXPECT_EQ(gbk_from_utf8(utf8), gbk);
    EXPECT_EQ(utf16_to_gbk(gbk_to_utf16(gbk)), gbk);
    EXPECT_EQ(gbk_to_utf16("\x80"), u"\u20AC") << "0x80 is the euro sign";
}

TEST(CodePage, WhatCannotBeHeld)
{
    EXPECT_EQ(gbk_from_utf8("\xF0\x9F\x98\x80"), "?") << "an emoji has no GBK form";
    EXPECT_EQ(gbk_from_utf8(std::string("a\0b", 3)), "a") << "a Text ends at a zero";
    EXPECT_EQ(gbk_to_utf16("a\xD6"), u"a\uFFFD") << "a lead byte without its pair";
    EXPECT_EQ(gbk_from_utf8(""), "");
}
