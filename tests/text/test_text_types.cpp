#include "comma_decimal_locale.h"
#include "runtime_hooks.h"
#include "text_types.h"

#include <gtest/gtest.h>

#include <limits>

// "\xD6\xD0" and "\xCE\xC4" are the GBK bytes of two Chinese characters; "\xA1\xA1"
// is the full-width space.

TEST(TextCutting, LeftRightMid)
{
    struct Case { Text got, expected; const char* why; };
    const Case cases[] = {
        {text_left("abc", 5), "abc", "count past the length gives the whole text"},
        {text_left("abc", 0), "", "zero count"},
        {text_left("abc", -1), "", "negative count"},
        {text_left("\xD6\xD0x", 1), "\xD6", "byte-wise: may cut a character"},
        {text_right("abc", 2), "bc", "last bytes"},
        {text_right("abc", 9), "abc", "count past the length"},
        {text_right("abc", -2), "", "negative count"},
        {text_mid("abcdef", 2, 3), "bcd", "inside"},
        {text_mid("abcdef", 0, 3), "", "start 0 is not the beginning"},
        {text_mid("abcdef", 6, 3), "f", "start at the length gives the last byte"},
        {text_mid("abcdef", 7, 1), "", "start beyond the length"},
        {text_mid("abcdef", 5, 10), "ef", "fewer bytes when the text ends first"},
        {text_mid("abcdef", 2, 0), "", "zero count"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.why;
}

TEST(TextSearch, FindText)
{
    struct Case { Text text, needle; int start; bool ignore_case; int expected; const char* why; };
    const Case cases[] = {
        {"abcabc", "bc", 0, false, 2, "start 0 searches the whole text"},
        {"abcabc", "bc", 1, false, 2, "start 1"},
        {"abcabc", "bc", -5, false, 2, "negative start"},
        {"abcabc", "bc", 3, false, 5, "from a later start"},
        {"abcabc", "bc", 7, false, -1, "start beyond the length"},
        {"abcabc", "bc", 6, false, -1, "needle longer than the rest"},
        {"abcabc", "abc", 4, false, 4, "needle at the very end"},
        {"abcabc", "x", 0, false, -1, "absent"},
        {"abcdefghij", "", 5, false, 1, "empty needle gives 1 whatever the start"},
        {"", "", 0, false, -1, "empty needle in the empty text"},
        {"abc", "", 4, false, -1, "empty needle with start beyond the length"},
        {"ABC", "bc", 0, false, -1, "case counts by default"},
        {"ABC", "bc", 0, true, 2, "ignore_case folds ASCII letters"},
        {"\xB0\x41x", "A", 0, false, -1, "a second byte is never the start of a match"},
        {"\xB0\x41\x41", "A", 0, false, 3, "a lone byte after the pair is found"},
        {"\xD6\xD0\xCE\xC4", "\xCE\xC4", 0, false, 3, "two-byte needle"},
        {"\xD6\xD0\xCE\xC4", "\xD0\xCE", 0, false, -1, "no match across a character boundary"},
        {"\xB0\xB0\xB0\x41\x41", "A", 0, false, 5, "a run of high bytes pairs off from its start"},
        {"a\xB0\xB0\xB0\x41\xB0\x41", "\x41\xB0", 0, false, -1, "each candidate starts on a second byte"},
        {"\xB0\x41\xB0\x41", "\xB0\x41", 2, false, 3, "a start inside a pair reads from there"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(find_text(c.text, c.needle, c.start, c.ignore_case), c.expected) << c.why;
}

TEST(TextSearch, ReplaceText)
{
    struct Case { Text got, expected; const char* why; };
    const Case cases[] = {
        {replace_text("a-b-c", "-", "+"), "a+b+c", "every occurrence"},
        {replace_text("a-b-c", "-"), "abc", "absent new removes"},
        {replace_text("a-b-c", "-", "+", 1, 1), "a+b-c", "count 1 changes only the first"},
        {replace_text("a-b-c", "-", "+", 1, 0), "a-b-c", "count 0 changes nothing"},
        {replace_text("a-b-c", "-", "+", 3), "a-b+c", "bytes before start are kept"},
        {replace_text("a-b-c", "-", "+", 9), "a-b-c", "start beyond the length"},
        {replace_text("aaa", "aa", "a"), "aa", "occurrences never overlap"},
        {replace_text("ab", "a", "aa"), "aab", "the new text is not searched again"},
        {replace_text("", "a", "b"), "", "empty text"},
        {replace_text("abc", "", "x"), "abc", "empty old"},
        {replace_text("AbA", "a", "x", 1, std::nullopt, false), "xbx", "case-insensitive"},
        {replace_text("AbA", "a", "x", 1, std::nullopt, true), "AbA", "case-sensitive"},
        {replace_text("\xB0\x5C\x5C", "\x5C", "/"), "\xB0\x5C/", "second bytes are walked over"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.why;
}

TEST(TextSearch, SplitText)
{
    auto items = [](const TextArray& array) {
        std::vector<Text> out;
        for (int i = 1; i <= array.count(); ++i) out.push_back(array.at(i));
        return out;
    };
    using V = std::vector<Text>;
    struct Case { Text text, delimiter; V expected; const char* why; };
    const Case cases[] = {
        {"a,b,c", ",", V{"a", "b", "c"}, "plain"},
        {"abc", ",", V{"abc"}, "no delimiter gives the whole text"},
        {"", ",", V{}, "empty text gives no element"},
        {"a,b", "", V{"a,b"}, "empty delimiter gives the whole text"},
        {",a", ",", V{"", "a"}, "leading delimiter gives an empty first element"},
        {"a,,b", ",", V{"a", "", "b"}, "two in a row give an empty element"},
        {"a,b,", ",", V{"a", "b"}, "trailing delimiter gives no empty last element"},
        {"a\r\nb\r\n", "\r\n", V{"a", "b"}, "multi-byte delimiter"},
        {"\xB0,x,y", ",", V{"\xB0,x", "y"}, "a second byte is never a delimiter"},
    };
    for (const auto& c : cases) EXPECT_EQ(items(split_text(c.text, c.delimiter)), c.expected) << c.why;
}

TEST(TextBuilding, SpacesAndCase)
{
    struct Case { Text got, expected; const char* why; };
    const Case cases[] = {
        {trim_text("  a b  "), "a b", "ASCII spaces at both ends"},
        {trim_text("\xA1\xA1" "a\xA1\xA1"), "a", "full-width spaces"},
        {trim_text("\ta\r\n"), "\ta\r\n", "tab, CR and LF are not spaces"},
        {trim_text("   "), "", "only spaces"},
        {trim_text("\xB0\xA1\xA1\xA1"), "\xB0\xA1", "a character ending in 0xA1 is kept whole"},
        {remove_spaces(" a\xA1\xA1 b\t"), "ab\t", "every space anywhere"},
        {upper_case("ab\xB0" "a1"), "AB\xB0" "a1", "second bytes keep their case"},
        {space_text(3), "   ", "spaces"},
        {space_text(0), "", "none"},
        {char_from_code(0x141), "A", "low 8 bits"},
        {char_from_code(0), "", "code 0 gives the empty text"},
        {concat_text(Text("a"), Text("b"), Text("c")), "abc", "joined in order"},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.why;

    EXPECT_EQ(char_code("\xB0"), -80);
    EXPECT_EQ(char_code("ab", 2), 'b');
    EXPECT_EQ(char_code("ab", 3), 0);
    EXPECT_EQ(char_code(""), 0);
    EXPECT_EQ(to_byte(-80), 0xB0);
    EXPECT_TRUE(compare_text("", ""));
    EXPECT_FALSE(compare_text("a", "A"));
}

TEST(TextConversion, NumbersAndBytes)
{
    struct Case { Text got, expected; const char* why; };
    const Case cases[] = {
        {number_to_text(-1), "-1", "an int"},
        {number_to_text(0.0), "0", "whole numbers have no point"},
        {number_to_text(2.0), "2", ""},
        {number_to_text(2000.0), "2000", "a bit rate"},
        {number_to_text(1.5), "1.5", ""},
        {number_to_text(-0.5), "-0.5", ""},
        {number_to_text(12345678901234.0), "12345678901234", "a 14-digit room number, exactly"},
        {number_to_text(1e13), "10000000000000", ""},
        {number_to_text(9007199254740992.0), "9007199254740992", "2^53, the last exact whole number"},
        {number_to_text(-9007199254740992.0), "-9007199254740992", ""},
        {number_to_text(1e17), "1e+17", "beyond 2^53: the shortest form"},
        {number_to_text(1e21), "1e+21", ""},
        {number_to_text(0.00001), "1e-05", "tiny numbers keep the exponent form"},
        {number_to_text(1.0 / 3), "0.3333333333333333", "every digit needed to read it back"},
        {number_to_text(0.1 + 0.2), "0.30000000000000004", ""},
        {number_to_text(std::numeric_limits<double>::infinity()), "inf", ""},
        {number_to_text(-std::numeric_limits<double>::infinity()), "-inf", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got, c.expected) << c.why;
    for (const double value : {1.0 / 3, 0.1 + 0.2, 123.456, -2.5e-300, 6.02214076e23})
        EXPECT_EQ(std::stod(number_to_text(value)), value) << "reads back to the same double";

    struct IntCase { Text text; int expected; const char* why; };
    const IntCase ints[] = {
        {"42", 42, "digits"},
        {"  -7x", -7, "white space, sign, stop at the first other character"},
        {"\xA3\xB1\xA3\xB2", 12, "full-width digits"},
        {"\xA1\xA1\xA3\xAD" "3", -3, "full-width space and minus"},
        {"abc", 0, "no digits"},
        {"99999999999", 2147483647, "saturates"},
    };
    for (const auto& c : ints) EXPECT_EQ(text_to_int(c.text), c.expected) << c.why;

    EXPECT_EQ(bytes_to_text(Bytes{'a', 0, 'b'}), "a");
    EXPECT_EQ(bytes_to_text(Bytes{0, 'a'}), "");
    EXPECT_EQ(text_to_bytes("ab"), (Bytes{'a', 'b'}));
}

// The window takes its locale from the environment; numbers written into script
// text or file names must not turn 1.5 into "1,5" under it.
TEST(TextConversion, NumbersIgnoreTheLocale)
{
    CommaDecimalLocale comma;
    if (!comma.active()) GTEST_SKIP() << comma.why();
    EXPECT_EQ(number_to_text(1.5), "1.5");
    EXPECT_EQ(number_to_text(-1234.25), "-1234.25");
    EXPECT_EQ(number_to_text(1e-7), "1e-07");
}

TEST(BytesOperations, Cutting)
{
    const Bytes b{1, 2, 3, 4};
    EXPECT_EQ(bytes_left(b, 2), (Bytes{1, 2}));
    EXPECT_EQ(bytes_left(b, -1), Bytes{});
    EXPECT_EQ(bytes_right(b, 9), b);
    EXPECT_EQ(bytes_mid(b, 0, 2), (Bytes{1, 2})) << "start 0 begins at the first byte";
    EXPECT_EQ(bytes_mid(b, 3, 9), (Bytes{3, 4}));
    EXPECT_EQ(bytes_mid(b, 5, 1), Bytes{});
    EXPECT_EQ(zero_bytes(3), (Bytes{0, 0, 0}));
    EXPECT_EQ(concat_bytes(Bytes{1}, Bytes{0}, Bytes{2}), (Bytes{1, 0, 2}));
    EXPECT_TRUE(compare_bytes(Bytes{}, Bytes{}));
}

TEST(Numbers, BitsAndDivision)
{
    EXPECT_EQ(bit_and(0xFF, 0x0F, 0x3C), 0x0C);
    EXPECT_EQ(bit_or(1, 2, 4), 7);
    EXPECT_EQ(shift_left(1, 33), 2) << "n modulo 32";
    EXPECT_EQ(shift_right(-8, 1), -4) << "arithmetic";
    EXPECT_EQ(int_divide(7, 2), 3);
    EXPECT_EQ(int_divide(-7, 2), -3);
    EXPECT_EQ(modulo(7, 3), 1);
    EXPECT_EQ(modulo(-7, 3), -1);
}

TEST(Arrays, AppendAndAccess)
{
    TextArray array;
    EXPECT_EQ(array_count(array), 0);
    array_append(array, "a");
    array_append(array, "b");
    EXPECT_EQ(array_count(array), 2);
    EXPECT_EQ(array.at(2), "b");
}

TEST(ArraysDeathTest, BadIndexStopsWithItsCode)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    TextArray array;
    array_append(array, "a");
    // Exit code -1: Windows keeps all 32 bits, POSIX the low eight.
#ifdef _WIN32
    const int stopped = -1;
#else
    const int stopped = 255;
#endif
    EXPECT_EXIT(array.at(0), testing::ExitedWithCode(stopped), "Run-time error 4");
    EXPECT_EXIT(array.at(2), testing::ExitedWithCode(stopped), "Run-time error 1");
}

TEST(Events, ProcessEventsRunsTheInstalledPump)
{
    int pumped = 0;
    set_event_pump([&] { ++pumped; });
    process_events();
    set_event_pump(nullptr);
    process_events();
    EXPECT_EQ(pumped, 1);
}
