#include "request_checks.h"

#include "code_page.h"

bool ascii_equal_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const char x = (a[i] >= 'A' && a[i] <= 'Z') ? static_cast<char>(a[i] + 32) : a[i];
        const char y = (b[i] >= 'A' && b[i] <= 'Z') ? static_cast<char>(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

bool is_token(std::string_view text)
{
    if (text.empty()) return false;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte >= 0x7F ||
            std::string_view("\"(),/:;<=>?@[\\]{}").find(c) != std::string_view::npos)
            return false;
    }
    return true;
}

bool holds_line_break(std::string_view text)
{
    return text.find_first_of("\r\n") != text.npos;
}

std::string wire_url(const Text& url)
{
    const std::string utf8 = utf8_from_gbk(url);
    std::size_t path_start = utf8.find("://");
    path_start = path_start == std::string::npos ? 0 : utf8.find_first_of("/?#", path_start + 3);
    if (path_start == std::string::npos) return utf8;
    std::string encoded = utf8.substr(0, path_start);
    static const char hex[] = "0123456789ABCDEF";
    for (std::size_t i = path_start; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte <= 0x20 || byte >= 0x7F) {
            encoded += '%';
            encoded += hex[byte >> 4];
            encoded += hex[byte & 15];
        } else {
            encoded += utf8[i];
        }
    }
    return encoded;
}

std::optional<PhaseTimeouts> phase_limits(int resolve_ms, int connect_ms, int send_ms,
                                          int receive_ms)
{
    if (resolve_ms < -1 || connect_ms < -1 || send_ms < -1 || receive_ms < -1) return std::nullopt;
    auto limit = [](int ms) { return ms == -1 ? 0 : ms; };
    return PhaseTimeouts{limit(resolve_ms), limit(connect_ms), limit(send_ms), limit(receive_ms)};
}
