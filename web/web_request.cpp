#include "web_request.h"

#include "encodings.h"
#include "request_checks.h"
#include "text_helpers.h"

#include <array>

namespace {

const std::array<const char*, 8> verbs = {"GET",     "POST",   "HEAD",  "PUT",
                                          "OPTIONS", "DELETE", "TRACE", "CONNECT"};

constexpr int default_timeout_ms = 15000;

// The largest number of seconds whose milliseconds a 32-bit count can hold; a
// longer wait asked for gets this one (almost 25 days) rather than a count that
// wraps round to a short or negative limit.
constexpr int longest_timeout_seconds = 2147483;

const Text line_break = "\r\n";

struct DefaultHeader {
    const char* marker;
    Text line;
};

int timeout_milliseconds(int timeout_seconds)
{
    if (timeout_seconds <= 0) return default_timeout_ms;
    if (timeout_seconds > longest_timeout_seconds) timeout_seconds = longest_timeout_seconds;
    return timeout_seconds * 1000;
}

// A line is added only when its marker occurs nowhere in the block, ASCII case
// ignored: even "X-Accept:" keeps the default Accept line out.
Text with_default_headers(Text block, const Text& url, int method)
{
    const DefaultHeader defaults[] = {
        {"Accept:", "Accept: */*"},
        {"Referer:", "Referer: " + url},
        {"Accept-Language:", "Accept-Language: zh-cn"},
        {"User-Agent:", "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)"},
    };
    for (const auto& header : defaults) {
        if (find_text(block, header.marker, 0, true) == -1) block += line_break + header.line;
    }
    if (method == 1 && find_text(block, "Content-Type:", 0, true) == -1)
        block += line_break + "Content-Type: application/x-www-form-urlencoded";
    return block;
}

// A CR or LF inside a name or value would end the header line early and let the
// rest of the caller's text pass as header lines of its own: such a header is
// not sent.
void set_header(HttpRequest& request, const Text& name, const Text& value)
{
    if (holds_line_break(name) || holds_line_break(value)) return;
    request.set_request_header(name, value);
}

void set_header_lines(HttpRequest& request, const Text& block)
{
    if (block.empty()) return;
    if (find_text(block, line_break) == -1) {
        set_header(request, header_line_name(block), header_line_value(block));
        return;
    }
    const TextArray lines = split_text(block, line_break);
    for (int i = 1; i <= lines.count(); ++i) {
        const Text& line = lines.at(i);
        if (line.empty()) continue;
        const Text name = header_line_name(line);
        const Text value = header_line_value(line);
        // Keeping the connection open is the transport's business; the exact
        // spelling is skipped, any other is sent as given.
        if (name == "Connection" && value == "keep-alive") continue;
        set_header(request, name, value);
    }
}

// The values of the "Set-Cookie" lines (the name followed by ": "), each cut at
// its first ";", joined by "; ". Header names are case-insensitive, and over
// HTTP/2 they arrive in lower case.
Text collect_set_cookies(const Text& response_headers)
{
    Text collected;
    const TextArray lines = split_text(response_headers, line_break);
    for (int i = 1; i <= lines.count(); ++i) {
        const Text& line = lines.at(i);
        if (upper_case(text_before(line, ": ")) != "SET-COOKIE") continue;
        Text value;
        if (find_text(line, ";") != -1)
            value = trim_text(text_between(line, "Set-Cookie:", ";", 0, true));
        else
            value = trim_text(replace_text(line, "Set-Cookie:", "", 1, std::nullopt, false));
        collected += value + "; ";
    }
    if (text_right(collected, 2) == "; ")
        collected = text_left(collected, text_length(collected) - 2);
    return collected;
}

}  // namespace

Bytes visit_web_page(const Text& url, const WebRequestOptions& options)
{
    const bool merge_cookies = options.merge_cookies.value_or(true);
    const bool add_default_headers = options.add_default_headers.value_or(true);
    const bool normalize_headers = options.normalize_headers.value_or(true);
    const int proxy_flag = options.proxy_flag.value_or(1);

    const int method = (options.method < 0 || options.method > 7) ? 0 : options.method;

    HttpRequest own_request;
    HttpRequest& request = options.request_object ? *options.request_object : own_request;

    if (options.timeout_seconds != -1) {
        const int ms = timeout_milliseconds(options.timeout_seconds);
        request.set_timeouts(ms, ms, ms, ms);
    }
    if (!options.proxy.empty()) request.set_proxy(2, options.proxy);
    // An address holding a line break is refused like any unusable one: it would
    // reach the wire inside the default Referer line and start a header there.
    const bool opened = request.open(verbs[method], url) && !holds_line_break(url);
    if (options.no_redirect) request.set_option(6, 0);
    request.set_option(4, 0x3300);

    Text block = options.headers ? *options.headers : Text{};
    if (add_default_headers) block = with_default_headers(block, url, method);
    if (normalize_headers) block = normalize_header_block(block);
    if (options.headers) *options.headers = block;

    if (!options.proxy.empty() && !options.proxy_user.empty()) {
        request.set_credentials(options.proxy_user, options.proxy_password, proxy_flag);
        if (proxy_flag == 1) {
            Bytes pair = text_to_bytes(options.proxy_user + ":" + options.proxy_password);
            set_header(request, "Proxy-Authorization", "Basic " + base64_encode(pair));
        }
    }

    if (options.cookies) {
        Text& cookies = *options.cookies;
        cookies = replace_text(cookies, "Cookie:", "", 1, std::nullopt, false);
        set_header(request, "Cookie", cookies);
    }

    set_header_lines(request, block);

    // A request that was not sent has no answer, whatever a caller's object
    // still holds from an earlier exchange.
    const bool answered = opened && (options.post_bytes.empty() ? request.send(options.post_text)
                                                                : request.send(options.post_bytes));

    Bytes body = answered ? request.response_body() : Bytes{};
    const Text response_headers = answered ? request.all_response_headers() : Text{};
    if (options.returned_headers) *options.returned_headers = response_headers;
    if (options.status) *options.status = answered ? request.status() : 0;

    Text returned_cookies = collect_set_cookies(response_headers);
    if (merge_cookies && options.cookies)
        returned_cookies = merge_cookie_text(*options.cookies, returned_cookies);
    if (options.returned_cookies) *options.returned_cookies = returned_cookies;

    return body;
}
