#include "code_page.h"
#include "encodings.h"
#include "runtime_hooks.h"
#include "text_types.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

using namespace std::string_literals;

// Bytes are compared as strings so that a failure prints them with escapes.
namespace {

Bytes bytes_of(const std::string& s)
{
    return Bytes(s.begin(), s.end());
}
std::string string_of(const Bytes& b)
{
    return std::string(b.begin(), b.end());
}

Bytes decode(Text text, bool strip_zeros = false)
{
    return base64_decode(text, strip_zeros);
}

// Counts the calls of process_events for the life of a test.
class RecordingPump {
public:
    RecordingPump()
    {
        set_event_pump([this] { ++calls; });
    }
    ~RecordingPump() { set_event_pump(nullptr); }
    int calls = 0;
};

struct Vector {
    std::string plain;
    Text encoded;
};

// RFC 4648, section 10.
const Vector rfc_vectors[] = {
    {"", ""},
    {"f", "Zg=="},
    {"fo", "Zm8="},
    {"foo", "Zm9v"},
    {"foob", "Zm9vYg=="},
    {"fooba", "Zm9vYmE="},
    {"foobar", "Zm9vYmFy"},
};

}  // namespace

TEST(Base64, RfcVectorsBothWays)
{
    for (const auto& v : rfc_vectors) {
        Bytes input = bytes_of(v.plain);
        EXPECT_EQ(base64_encode(input), v.encoded) << v.plain;
        EXPECT_EQ(string_of(decode(v.encoded)), v.plain) << v.encoded;
    }
}

TEST(Base64, EncodePadsTheCallersBuffer)
{
    Bytes one = {0x41};
    EXPECT_EQ(base64_encode(one), "QQ==");
    EXPECT_EQ(string_of(one), "A\0\0"s);

    Bytes two = {0x41, 0x42};
    EXPECT_EQ(base64_encode(two), "QUI=");
    EXPECT_EQ(string_of(two), "AB\0"s);

    Bytes empty;
    EXPECT_EQ(base64_encode(empty), "");
    EXPECT_TRUE(empty.empty());
}

TEST(Base64, EveryByteValueRoundTrips)
{
    Bytes all;
    for (int i = 0; i < 256; ++i) all.push_back(static_cast<std::uint8_t>(255 - i));
    for (std::size_t n : {254u, 255u, 256u}) {
        const Bytes original(all.begin(), all.begin() + static_cast<long>(n));
        Bytes input = original;
        EXPECT_EQ(decode(base64_encode(input)), original) << n << " bytes";
    }
}

TEST(Base64, SpacesAndLineBreaksAreRemoved)
{
    struct Case {
        Text input;
        const char* why;
    };
    const Case cases[] = {
        {"Zm9v YmFy", "a space"},
        {" Z m9vYmFy ", "spaces at both ends"},
        {"Zm9v\xA1\xA1YmFy", "a full-width space"},
        {"Zm9v\r\nYmFy\r\n", "CR LF pairs"},
        {"Z\r\nm9\xA1\xA1v Ym\r \nFy", "a CR LF pair that a space split"},
    };
    for (const auto& c : cases) {
        Text text = c.input;
        EXPECT_EQ(string_of(base64_decode(text)), "foobar") << c.why;
        EXPECT_EQ(text, "Zm9vYmFy") << "the caller's text is cleaned: " << c.why;
    }
}

TEST(Base64, CleaningWalksWholeCharacters)
{
    // The cleaned text must be what the text primitives make of it: a space or a CR
    // LF pair that starts inside a two-byte character stays.
    const Text inputs[] = {"\xB0 A",        "\xB0\r\nA", "\xA1\xA1\xA1",        "\xB0\xA1\xA1 ",
                           "\r \n\r\r\n\n", "a\xA1",     "\xD6\xD0\r\n\xA1\xA1"};
    for (const auto& input : inputs) {
        Text text = input;
        base64_decode(text);
        EXPECT_EQ(text, replace_text(remove_spaces(input), "\r\n")) << input;
    }
}

TEST(Base64, UnpaddedEndings)
{
    struct Case {
        Text input;
        bool strip_zeros;
        std::string expected;
        const char* why;
    };
    const Case cases[] = {
        {"QQ", false, "A\0\0"s, "missing characters count as 0"},
        {"QQ", true, "A", "strip_zeros drops the zero bytes at the end"},
        {"Zm9vYmE", false, "fooba\0"s, "one character missing"},
        {"Zm9vYmE", true, "fooba", "one character missing, stripped"},
        {"AAAA", true, "", "strip_zeros may leave nothing"},
        {"AAAAQQ==", true, "\0\0\0A"s, "only zero bytes at the end go"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(string_of(decode(c.input, c.strip_zeros)), c.expected) << c.why;
}

TEST(Base64, LastGroupStopRule)
{
    struct Case {
        Text input;
        std::string expected;
        const char* why;
    };
    const Case cases[] = {
        {"Zm9vYmE=", "fooba", "stopped at the 4th character: one byte dropped"},
        {"Zm9vYg==", "foob", "stopped at the 3rd: two dropped"},
        {"Zm9vY=", "foo", "stopped at the 2nd: three dropped"},
        {"Zm9vYmFy\n", "foobar", "stopped at the 1st: only the three bytes it added go"},
        {"Zm9vYmFy\r", "foobar", "a lone CR is a character too"},
        {"Zm9v\t", "foo", "and so is a tab"},
    };
    for (const auto& c : cases) EXPECT_EQ(string_of(decode(c.input)), c.expected) << c.why;
}

TEST(Base64, BytesOutsideTheAlphabet)
{
    struct Case {
        Text input;
        std::string expected;
        const char* why;
    };
    const Case cases[] = {
        // "!" (0x21) stops the second group in slot 2; slots 3 and 4 still hold "9"
        // and "v" from the first group.
        {"Zm9vQ!==Zg==", "foo\x42\x1Fof", "a stopped group reuses the slots before it"},
        {"\xD6\xD0Zm9v", "\x58\0\0\xF6\xF0\0"s, "each byte of a two-byte character stops a group"},
        {"====", "", "padding alone"},
        {"!", "", "one bad byte"},
        {"", "", "empty"},
        {" \xA1\xA1 \r\n", "", "only spaces and line breaks"},
    };
    for (const auto& c : cases) EXPECT_EQ(string_of(decode(c.input)), c.expected) << c.why;
}

TEST(Base64, YieldsOncePerGroup)
{
    struct Case {
        Text input;
        int groups;
    };
    const Case cases[] = {
        {"", 0}, {" \r\n", 0}, {"Zg==", 1}, {"Zm9vYmE", 2}, {"Zm9v YmFy\r\nZg", 3}};
    for (const auto& c : cases) {
        RecordingPump pump;
        decode(c.input);
        EXPECT_EQ(pump.calls, c.groups) << c.input;
    }
}

TEST(Base64, ReentryDuringADecode)
{
    // A second press handled inside the pump runs a whole decode of its own and may
    // rewrite the first caller's variable; the first decode goes on undisturbed.
    Text outer = "Zm9v YmFy";
    std::string nested;
    int calls = 0;
    set_event_pump([&] {
        if (++calls != 1) return;
        nested = string_of(decode("Zm8="));
        outer = "!!!!!!!!";
    });
    const Bytes result = base64_decode(outer);
    set_event_pump(nullptr);
    EXPECT_EQ(string_of(result), "foobar");
    EXPECT_EQ(nested, "fo");
    EXPECT_EQ(calls, 3);  // two outer groups, one nested
}

TEST(Utf8ToGbk, Conversions)
{
    struct Case {
        std::string utf8;
        Text expected;
        const char* why;
    };
    const Case cases[] = {
        {"", "", "empty"},
        {"stream: {abc}\r\n", "stream: {abc}\r\n", "ASCII is unchanged"},
        {"\xE4\xB8\xAD\xE6\x96\x87", "\xD6\xD0\xCE\xC4", "Chinese"},
        {"a\xE4\xB8\xAD"
         "b\xE2\x82\xAC",
         "a\xD6\xD0"
         "b\x80",
         "mixed, with the euro sign at 0x80"},
        {"ab\0cd"s, "ab", "ends at a zero byte"},
        {"\xE4\xB8\xAD\0\xE6\x96\x87"s, "\xD6\xD0", "ends at a zero byte after Chinese"},
        {"\0abc"s, "", "a zero byte first"},
        {"x\xF0\x9F\x98\x80y", "x?y", "a character the code page lacks"},
        {"x\xFFy", "x?y", "malformed UTF-8"},
#ifdef _WIN32
        {"a\xE2\x80\x8B" "b", "a?b", "Windows' code page keeps an invisible character it lacks as ?"},
#else
        {"a\xE2\x80\x8B" "b", "ab", "an invisible character the code page lacks is dropped"},
#endif
    };
    for (const auto& c : cases) EXPECT_EQ(utf8_to_gbk(bytes_of(c.utf8)), c.expected) << c.why;
}

// The page converter decodes well-formed UTF-8 itself; everything it produces must
// be what ICU's conversion makes of the same bytes.
TEST(Utf8ToGbk, AgreesWithTheCodePageConverter)
{
    std::string every_bmp_character;
    for (char32_t c = 1; c <= 0xFFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        if (c < 0x80) {
            every_bmp_character += static_cast<char>(c);
        } else if (c < 0x800) {
            every_bmp_character += static_cast<char>(0xC0 | (c >> 6));
            every_bmp_character += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            every_bmp_character += static_cast<char>(0xE0 | (c >> 12));
            every_bmp_character += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
            every_bmp_character += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    EXPECT_EQ(utf8_to_gbk(bytes_of(every_bmp_character)), gbk_from_utf8(every_bmp_character));

    const std::string malformed[] = {
        "\xC0\x80",
        "\xC1\xBF",
        "\xE0\x80\x80 overlong",
        "\xED\xA0\x80 surrogate",
        "\xE4\xB8 cut",
        "\xE4\xB8\xE4\xB8\xAD",
        "\xF0\x9F\x98",
        "\xF4\x90\x80\x80",
        "\xF8\x88\x80\x80\x80",
        "\x80\xBF\xFE\xFF",
        "a\xE4",
        "\xE4\xB8\xAD\xC3",
    };
    for (const auto& input : malformed)
        EXPECT_EQ(utf8_to_gbk(bytes_of(input)), gbk_from_utf8(input)) << input;

    // Random bytes, weighted toward the bytes that make up UTF-8 sequences.
    std::mt19937 random(7);
    const unsigned char pieces[] = {'a',  ' ',  0x80, 0x9F, 0xA0, 0xBF, 0xC2, 0xC3, 0xDF,
                                    0xE0, 0xE4, 0xED, 0xEF, 0xF0, 0xF4, 0xF5, 0xFF};
    for (int round = 0; round < 2000; ++round) {
        std::string input;
        const int length = static_cast<int>(random() % 24) + 1;
        for (int k = 0; k < length; ++k) input += static_cast<char>(pieces[random() % 17]);
        ASSERT_EQ(utf8_to_gbk(bytes_of(input)), gbk_from_utf8(input)) << "round " << round;
    }
}
