#include "single_line_text.h"

Text single_line_text(const Text& text)
{
    // Neither code page 936 nor UTF-8 uses these bytes inside a multi-byte
    // character, so they can be replaced byte by byte.
    Text line = text;
    for (char& c : line) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) c = ' ';
    }
    return line;
}
