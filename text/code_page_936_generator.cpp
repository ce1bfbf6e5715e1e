// Writes the code page 936 tables as C++ source, read off ICU's "windows-936"
// converter. It runs at build time, so ICU stays the source of truth while the
// programs themselves carry the tables and never load ICU.
//
// It asks ICU about every byte, every byte pair and every code point one at a time
// and stops with an error when an answer has a shape the tables cannot hold; the
// tests compare the tables with ICU on whole strings.
//
//     code_page_936_generator OUTPUT.cpp
#include "code_page_936_table.h"

#include <unicode/ucnv.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

namespace {

using code_page_936::CodePointRange;
using code_page_936::first_lead;
using code_page_936::last_lead;
using code_page_936::lead_byte_alone;

[[noreturn]] void give_up(const std::string& why)
{
    std::fprintf(stderr, "code_page_936_generator: %s\n", why.c_str());
    std::exit(1);
}

std::string hex(unsigned value)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%04X", value);
    return buffer;
}

using Converter = std::unique_ptr<UConverter, void (*)(UConverter*)>;

// The converter exactly as the programs used it when they called ICU themselves.
Converter open_windows_936()
{
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open("windows-936", &status), ucnv_close);
    if (U_FAILURE(status)) give_up("ICU has no windows-936 converter");
    ucnv_setSubstChars(converter.get(), "?", 1, &status);
    if (U_FAILURE(status)) give_up("ICU refuses \"?\" as the substitute");
    return converter;
}

std::u16string to_unicode(UConverter* converter, const std::string& bytes)
{
    ucnv_resetToUnicode(converter);
    std::u16string units(bytes.size() + 1, u'\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_toUChars(converter, reinterpret_cast<UChar*>(units.data()),
                                         static_cast<int32_t>(units.size()), bytes.data(),
                                         static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) give_up("ICU fails to decode bytes");
    units.resize(static_cast<std::size_t>(length));
    return units;
}

std::string from_unicode(UConverter* converter, const std::u16string& units)
{
    ucnv_resetFromUnicode(converter);
    std::string bytes(units.size() * 4 + 4, '\0');
    UErrorCode status = U_ZERO_ERROR;
    const int32_t length = ucnv_fromUChars(
        converter, bytes.data(), static_cast<int32_t>(bytes.size()),
        reinterpret_cast<const UChar*>(units.data()), static_cast<int32_t>(units.size()), &status);
    if (U_FAILURE(status)) give_up("ICU fails to encode characters");
    bytes.resize(static_cast<std::size_t>(length));
    return bytes;
}

// The tables hold characters of the BMP, each one UTF-16 unit: a surrogate there
// would reach UTF-8 as half a character.
bool is_surrogate(unsigned unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

std::u16string units_of(char32_t code_point)
{
    if (code_point < 0x10000) return std::u16string(1, static_cast<char16_t>(code_point));
    const char32_t offset = code_point - 0x10000;
    return {static_cast<char16_t>(0xD800 + (offset >> 10)),
            static_cast<char16_t>(0xDC00 + (offset & 0x3FF))};
}

// One byte alone: the character it gives, for a lead byte what it gives when the
// input ends after it.
std::vector<unsigned> read_single_bytes(UConverter* converter)
{
    std::vector<unsigned> singles(256);
    for (unsigned byte = 0; byte < 256; ++byte) {
        const std::u16string units = to_unicode(converter, std::string(1, static_cast<char>(byte)));
        if (units.size() != 1) give_up("byte " + hex(byte) + " alone is not one character");
        if (byte < 0x80 && units[0] != byte) give_up("byte " + hex(byte) + " is not ASCII");
        if (is_surrogate(units[0])) give_up("byte " + hex(byte) + " gives a lone surrogate");
        singles[byte] = units[0];
    }
    return singles;
}

// A lead byte and the byte after it: the one character both make, or
// lead_byte_alone when ICU takes the lead byte as a bad sequence of its own and
// starts again at the second byte.
std::vector<unsigned> read_pairs(UConverter* converter, const std::vector<unsigned>& singles)
{
    std::vector<unsigned> pairs;
    for (unsigned lead = 0; lead < 256; ++lead) {
        const bool is_lead = lead >= first_lead && lead <= last_lead;
        bool pairs_with_some_byte = false;
        for (unsigned trail = 0; trail < 256; ++trail) {
            const std::string bytes{static_cast<char>(lead), static_cast<char>(trail)};
            const std::u16string units = to_unicode(converter, bytes);
            const bool apart =
                units.size() == 2 && units[0] == singles[lead] && units[1] == singles[trail];
            if (!is_lead) {
                if (!apart) give_up("byte " + hex(lead) + " joins the byte after it");
                continue;
            }
            unsigned entry;
            if (apart) {
                entry = lead_byte_alone;
            } else if (units.size() == 1 && units[0] != lead_byte_alone &&
                       !is_surrogate(units[0])) {
                entry = units[0];
                pairs_with_some_byte = true;
            } else {
                give_up("the pair " + hex(lead) + " " + hex(trail) + " has no simple reading");
            }
            pairs.push_back(entry);
        }
        if (is_lead && !pairs_with_some_byte) give_up(hex(lead) + " is no lead byte");
    }
    return pairs;
}

// The bytes of every BMP character as one number: below 0x100 one byte, otherwise
// a lead byte and a trail byte; 0 for a character that ICU drops (the invisible
// ones it cannot map). U+0000 itself is 0 as well: a text ends there anyway.
std::vector<unsigned> read_bmp(UConverter* converter)
{
    std::vector<unsigned> bmp(0x10000, 0);
    for (char32_t c = 1; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF) continue;
        const std::string bytes = from_unicode(converter, units_of(c));
        const auto first = static_cast<unsigned char>(bytes.empty() ? 0 : bytes[0]);
        if (bytes.size() == 1 && first != 0) {
            bmp[c] = first;
        } else if (bytes.size() == 2 && first >= first_lead && first <= last_lead) {
            bmp[c] = (first << 8) | static_cast<unsigned char>(bytes[1]);
        } else if (!bytes.empty()) {
            give_up("character " + hex(c) + " has no one- or two-byte form");
        }
    }
    for (char32_t c = 1; c < 0x80; ++c)
        if (bmp[c] != c) give_up("character " + hex(c) + " is not ASCII");
    return bmp;
}

// Beyond the BMP the code page holds nothing: each character is either the
// substitute or dropped. The dropped ones, as ranges.
std::vector<CodePointRange> read_dropped_beyond_bmp(UConverter* converter)
{
    std::vector<CodePointRange> dropped;
    for (char32_t c = 0x10000; c <= 0x10FFFF; ++c) {
        const std::string bytes = from_unicode(converter, units_of(c));
        if (bytes == "?") continue;
        if (!bytes.empty()) give_up("character " + hex(c) + " has a form in the code page");
        if (!dropped.empty() && dropped.back().last + 1 == c)
            dropped.back().last = c;
        else
            dropped.push_back({c, c});
    }
    return dropped;
}

// A surrogate without its partner becomes the substitute, and only that unit is
// used up.
void check_lone_surrogates(UConverter* converter)
{
    for (char32_t s = 0xD800; s <= 0xDFFF; ++s) {
        const auto unit = static_cast<char16_t>(s);
        if (from_unicode(converter, {unit}) != "?" || from_unicode(converter, {unit, u'A'}) != "?A")
            give_up("surrogate " + hex(s) + " without its partner is not one substitute");
    }
}

void write_array(std::string& out, const char* declaration, const std::vector<unsigned>& values)
{
    out += declaration;
    out += " = {";
    for (std::size_t i = 0; i < values.size(); ++i) {
        out += i % 12 == 0 ? "\n    " : " ";
        out += hex(values[i]);
        out += ",";
    }
    out += "\n};\n\n";
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) give_up("usage: code_page_936_generator OUTPUT.cpp");
    const Converter converter = open_windows_936();

    const std::vector<unsigned> singles = read_single_bytes(converter.get());
    const std::vector<unsigned> pairs = read_pairs(converter.get(), singles);
    const std::vector<unsigned> bmp = read_bmp(converter.get());
    const std::vector<CodePointRange> dropped = read_dropped_beyond_bmp(converter.get());
    check_lone_surrogates(converter.get());

    std::string out =
        "// Generated at build time from ICU's \"windows-936\" converter by "
        "code_page_936_generator. Do not edit.\n"
        "#include \"code_page_936_table.h\"\n\n"
        "namespace code_page_936 {\n\n";
    write_array(out, "const char16_t single_bytes[256]", singles);
    write_array(out, "const char16_t pairs[pair_count]", pairs);
    write_array(out, "const std::uint16_t bmp_bytes[0x10000]", bmp);
    out += "const CodePointRange dropped_beyond_bmp[] = {\n";
    for (const CodePointRange& range : dropped)
        out += "    {" + hex(range.first) + ", " + hex(range.last) + "},\n";
    out += "};\nconst std::size_t dropped_beyond_bmp_count = " + std::to_string(dropped.size()) +
           ";\n\n}  // namespace code_page_936\n";

    std::ofstream file(argv[1], std::ios::binary | std::ios::trunc);
    file << out;
    file.close();
    if (!file) give_up(std::string("cannot write ") + argv[1]);
    return 0;
}
