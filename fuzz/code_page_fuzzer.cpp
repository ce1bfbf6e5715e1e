// The conversions of outside text: UTF-8 page bodies to code page 936 (which must
// agree with the general conversion), and the conversions between code page 936
// and Unicode at the edges.
#include "fuzz_support.h"

#include "code_page.h"
#include "encodings.h"

#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Bytes utf8(data, data + size);
    const Text converted = utf8_to_gbk(utf8);
    FUZZ_CHECK(converted.find('\0') == Text::npos);
    // utf8_to_gbk cuts the input at its first zero byte; that must give what cutting
    // the converted output gives.
    FUZZ_CHECK(converted ==
               gbk_from_utf8(std::string_view(reinterpret_cast<const char*>(data), size)));

    const Text text = text_from(data, size);
    const std::u16string wide = gbk_to_utf16(text);
    FUZZ_CHECK(wide.size() <= text.size());
    const Text back = utf16_to_gbk(wide);
    FUZZ_CHECK(back.find('\0') == Text::npos);
    const std::string utf8_text = utf8_from_gbk(text);
    FUZZ_CHECK(gbk_from_utf8(utf8_text) == back);

    // Arbitrary UTF-16, lone surrogates included.
    std::u16string units(size / 2, u'\0');
    if (!units.empty()) std::memcpy(units.data(), data, units.size() * 2);
    FUZZ_CHECK(utf16_to_gbk(units).find('\0') == Text::npos);
    return 0;
}
