// The compiled code page 936 tables must convert exactly as ICU's "windows-936"
// converter, which they were generated from, does on whole strings: bad bytes,
// lone surrogates, malformed UTF-8 and characters the code page lacks included.
#include "code_page.h"

#include <gtest/gtest.h>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>

#include <memory>
#include <random>
#include <string>

namespace {

using Converter = std::unique_ptr<UConverter, void (*)(UConverter*)>;

UConverter* icu_936()
{
    static const Converter converter = [] {
        UErrorCode status = U_ZERO_ERROR;
        Converter opened(ucnv_open("windows-936", &status), ucnv_close);
        ucnv_setSubstChars(opened.get(), "?", 1, &status);
        return opened;
    }();
    return converter.get();
}

std::u16string icu_gbk_to_utf16(const std::string& bytes)
{
    ucnv_resetToUnicode(icu_936());
    std::u16string units(bytes.size() + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(icu_936(), reinterpret_cast<UChar*>(units.data()),
                                         static_cast<int32_t>(units.size()), bytes.data(),
                                         static_cast<int32_t>(bytes.size()), &status);
    units.resize(U_FAILURE(status) ? 0 : static_cast<std::size_t>(length));
    return units;
}

std::string icu_utf16_to_gbk(const std::u16string& units)
{
    ucnv_resetFromUnicode(icu_936());
    std::string bytes(units.size() * 2 + 1, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(
        icu_936(), bytes.data(), static_cast<int32_t>(bytes.size()),
        reinterpret_cast<const UChar*>(units.data()), static_cast<int32_t>(units.size()), &status);
    bytes.resize(U_FAILURE(status) ? 0 : static_cast<std::size_t>(length));
    return bytes.substr(0, bytes.find('\0'));
}

std::u16string icu_utf16_of_utf8(const std::string& utf8)
{
    std::u16string units(utf8.size() + 1, u'\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strFromUTF8WithSub(reinterpret_cast<UChar*>(units.data()), static_cast<int32_t>(units.size()),
                         &length, utf8.data(), static_cast<int32_t>(utf8.size()), 0xFFFD, nullptr,
                         &status);
    units.resize(U_FAILURE(status) ? 0 : static_cast<std::size_t>(length));
    return units;
}

std::string icu_utf8_of_utf16(const std::u16string& units)
{
    std::string utf8(units.size() * 3 + 1, '\0');
    int32_t length = 0;
    UErrorCode status = U_ZERO_ERROR;
    u_strToUTF8WithSub(utf8.data(), static_cast<int32_t>(utf8.size()), &length,
                       reinterpret_cast<const UChar*>(units.data()),
                       static_cast<int32_t>(units.size()), 0xFFFD, nullptr, &status);
    utf8.resize(U_FAILURE(status) ? 0 : static_cast<std::size_t>(length));
    return utf8;
}

std::string utf8_of(char32_t c)
{
    std::u16string units;
    if (c < 0x10000) {
        units.push_back(static_cast<char16_t>(c));
    } else {
        units.push_back(static_cast<char16_t>(0xD800 + ((c - 0x10000) >> 10)));
        units.push_back(static_cast<char16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    }
    return icu_utf8_of_utf16(units);
}

// Bytes that sit at the edges of the code page's byte classes.
const unsigned char edge_bytes[] = {0x00, 0x20, 0x3F, 0x40, 0x7E, 0x7F, 0x80, 0x81,
                                    0xA0, 0xA1, 0xAA, 0xD6, 0xD7, 0xFE, 0xFF};

}  // namespace

TEST(CodePageAgainstIcu, DecodesEveryPairAndEveryShortRunOfEdgeBytes)
{
    for (unsigned first = 0; first < 256; ++first) {
        for (unsigned second = 0; second < 256; ++second) {
            const std::string bytes{static_cast<char>(first), static_cast<char>(second)};
            ASSERT_EQ(gbk_to_utf16(bytes), icu_gbk_to_utf16(bytes)) << first << " " << second;
            ASSERT_EQ(utf8_from_gbk(bytes), icu_utf8_of_utf16(icu_gbk_to_utf16(bytes)));
        }
    }
    for (unsigned char a : edge_bytes)
        for (unsigned char b : edge_bytes)
            for (unsigned char c : edge_bytes)
                for (unsigned char d : edge_bytes) {
                    const std::string bytes{static_cast<char>(a), static_cast<char>(b),
                                            static_cast<char>(c), static_cast<char>(d)};
                    for (std::size_t length = 1; length <= 4; ++length)
                        ASSERT_EQ(gbk_to_utf16(bytes.substr(0, length)),
                                  icu_gbk_to_utf16(bytes.substr(0, length)))
                            << int{a} << " " << int{b} << " " << int{c} << " " << int{d};
                }
}

TEST(CodePageAgainstIcu, EncodesEveryCharacterAndLoneSurrogates)
{
    for (char32_t c = 1; c <= 0x10FFFF; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const std::string utf8 = utf8_of(c);
        const std::u16string units = icu_utf16_of_utf8(utf8);
        ASSERT_EQ(utf16_to_gbk(units), icu_utf16_to_gbk(units)) << std::hex << static_cast<unsigned>(c);
        ASSERT_EQ(gbk_from_utf8(utf8), icu_utf16_to_gbk(units)) << std::hex << static_cast<unsigned>(c);
    }

    // Random UTF-16, weighted toward surrogates, zero and the code page's edges.
    std::mt19937 random(11);
    const char16_t pieces[] = {u'a',     u'\0',    0x80,    0x20AC,  0x4E2D,  0x200B, 0xE000,
                               0xFFFD,   0xFFFF,   0xD800,  0xDB40,  0xDBFF,  0xDC00, 0xDFFF};
    for (int round = 0; round < 20000; ++round) {
        std::u16string units;
        const int length = static_cast<int>(random() % 8) + 1;
        for (int k = 0; k < length; ++k) units += pieces[random() % std::size(pieces)];
        ASSERT_EQ(utf16_to_gbk(units), icu_utf16_to_gbk(units)) << "round " << round;
    }
}

TEST(CodePageAgainstIcu, ReplacesMalformedUtf8AsIcuDoes)
{
    // Random bytes, weighted toward the bytes that make up UTF-8 sequences and the
    // boundaries of their ranges.
    std::mt19937 random(13);
    const unsigned char pieces[] = {'a',  0x00, 0x7F, 0x80, 0x8F, 0x90, 0x9F, 0xA0, 0xBF,
                                    0xC0, 0xC1, 0xC2, 0xDF, 0xE0, 0xE1, 0xEC, 0xED, 0xEE,
                                    0xEF, 0xF0, 0xF1, 0xF3, 0xF4, 0xF5, 0xF8, 0xFE, 0xFF};
    for (int round = 0; round < 100000; ++round) {
        std::string input;
        const int length = static_cast<int>(random() % 12) + 1;
        for (int k = 0; k < length; ++k) input += static_cast<char>(pieces[random() % std::size(pieces)]);
        ASSERT_EQ(gbk_from_utf8(input), icu_utf16_to_gbk(icu_utf16_of_utf8(input)))
            << "round " << round;
    }
}
