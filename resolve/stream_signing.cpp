#include "stream_signing.h"

#include "encodings.h"
#include "md5_digest.h"
#include "stream_line.h"

#include <chrono>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace {

// How far ahead an anti-code's own wsTime must lie to be kept, and how long a
// refreshed one lasts, in seconds.
constexpr std::int64_t least_time_left = 1200;
constexpr std::int64_t refreshed_lifetime = 86400;

using QueryItems = std::vector<std::pair<std::string, std::string>>;

// The anti-code as the page holds it: a query string whose "&" may be written "&amp;".
QueryItems read_query(const Text& anti_code)
{
    std::string text = anti_code;
    for (std::size_t at = text.find("&amp;"); at != std::string::npos;
         at = text.find("&amp;", at + 1))
        text.erase(at + 1, 4);

    QueryItems items;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('&', start);
        if (end == std::string::npos) end = text.size();
        const std::string item = text.substr(start, end - start);
        const std::size_t equals = item.find('=');
        if (!item.empty())
            items.emplace_back(item.substr(0, equals), equals == std::string::npos
                                                           ? std::string()
                                                           : item.substr(equals + 1));
        start = end + 1;
    }
    return items;
}

std::string query_value(const QueryItems& items, const std::string& name,
                        const std::string& fallback)
{
    for (const auto& [key, value] : items)
        if (key == name) return value;
    return fallback;
}

int hex_digit_value(char c)
{
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

std::string percent_decoded(const std::string& text)
{
    std::string decoded;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && hex_digit_value(text[i + 1]) >= 0 &&
            hex_digit_value(text[i + 2]) >= 0) {
            decoded.push_back(static_cast<char>(hex_digit_value(text[i + 1]) * 16 +
                                                hex_digit_value(text[i + 2])));
            i += 2;
        } else {
            decoded.push_back(text[i]);
        }
    }
    return decoded;
}

// The secret's prefix: fm, percent- and then Base64-decoded, up to its first "_".
std::string secret_prefix(const std::string& fm)
{
    Text base64 = percent_decoded(fm);
    const Text decoded = bytes_to_text(base64_decode(base64));
    return decoded.substr(0, decoded.find('_'));
}

// The anti-code's wsTime while enough of it is left, else a fresh one.
std::string valid_ws_time(const std::string& given, std::int64_t now_s)
{
    std::int64_t value = 0;
    bool readable = !given.empty() && given.size() <= 15;
    for (char c : given) {
        const int digit = hex_digit_value(c);
        if (digit < 0) readable = false;
        value = value * 16 + (digit < 0 ? 0 : digit);
    }
    if (readable && value >= now_s + least_time_left) return given;

    static constexpr char hex_digits[] = "0123456789abcdef";
    std::string fresh;
    for (std::uint64_t rest = static_cast<std::uint64_t>(now_s + refreshed_lifetime); rest;
         rest >>= 4)
        fresh.insert(fresh.begin(), hex_digits[rest & 0x0F]);
    return fresh.empty() ? "0" : fresh;
}

// The low 32 bits rotated left by 8; the bits above stay where they are.
std::uint64_t listener_code(std::uint64_t uid)
{
    const std::uint32_t low = static_cast<std::uint32_t>(uid);
    const std::uint32_t rotated = (low << 8) | (low >> 24);
    return (uid & ~std::uint64_t{0xFFFFFFFF}) | rotated;
}

}  // namespace

SigningLine read_signing_line(JsonScriptObject& document, int zero_based_index)
{
    return read_signing_line(document, zero_based_index,
                             read_line_member(document, zero_based_index, "sHlsUrl"),
                             read_line_member(document, zero_based_index, "sStreamName"));
}

SigningLine read_signing_line(JsonScriptObject& document, int zero_based_index,
                              const Text& hls_base, const Text& stream_name)
{
    auto member = [&](const char* name) {
        return read_line_member(document, zero_based_index, name);
    };
    SigningLine line{hls_base, stream_name, member("sHlsUrlSuffix"), member("sHlsAntiCode")};
    if (line.suffix.empty()) line.suffix = "m3u8";
    if (line.anti_code.empty()) line.anti_code = member("sFlvAntiCode");
    return line;
}

SigningSeed new_signing_seed()
{
    std::random_device entropy;
    std::uniform_int_distribution<std::uint64_t> listener(12340000, 12349999);
    const auto now = std::chrono::system_clock::now().time_since_epoch();
    return {listener(entropy), std::chrono::duration_cast<std::chrono::milliseconds>(now).count()};
}

Text signed_play_address(const SigningLine& line, const Text& bit_rate, const SigningSeed& seed)
{
    if (line.anti_code.empty()) return {};
    const QueryItems anti_code = read_query(line.anti_code);
    const std::string ctype = query_value(anti_code, "ctype", "huya_live");
    const std::string fs = query_value(anti_code, "fs", "bgct");
    const std::string t = "100";
    const std::string ws_time =
        valid_ws_time(query_value(anti_code, "wsTime", ""), seed.now_ms / 1000);
    const std::string u = std::to_string(listener_code(seed.uid));
    const std::string seqid = std::to_string(seed.uid + static_cast<std::uint64_t>(seed.now_ms));

    const std::string h = md5_hex(seqid + "|" + ctype + "|" + t);
    const std::string secret = md5_hex(secret_prefix(query_value(anti_code, "fm", "")) + "_" + u +
                                       "_" + line.stream_name + "_" + h + "_" + ws_time);
    if (h.empty() || secret.empty()) return {};

    std::string address = line.hls_base + "/" + line.stream_name + "." + line.suffix +
                          "?wsSecret=" + secret + "&wsTime=" + ws_time + "&ctype=" + ctype +
                          "&fs=" + fs + "&seqid=" + seqid + "&u=" + u +
                          "&sdk_sid=" + std::to_string(seed.now_ms);
    if (bit_rate != "0") address += "&ratio=" + bit_rate;
    address += "&t=" + t + "&ver=1&sv=2401090219&codec=264";
    return address;
}

Text signed_or_written(const SigningLine& line, const Text& bit_rate, const SigningSeed& seed,
                       const Text& written)
{
    const Text signed_address = signed_play_address(line, bit_rate, seed);
    return signed_address.empty() ? written : signed_address;
}
