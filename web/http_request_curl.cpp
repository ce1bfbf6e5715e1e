#include "http_request.h"

#include "code_page.h"
#include "curl_transfer.h"
#include "request_checks.h"

#include <curl/curl.h>

#include <cstdint>
#include <memory>
#include <mutex>
#include <string_view>
#include <utility>
#include <vector>

namespace {

void initialise_curl_once()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

bool is_web_address(const std::string& url)
{
    std::unique_ptr<CURLU, decltype(&curl_url_cleanup)> parsed(curl_url(), curl_url_cleanup);
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return false;
    char* scheme = nullptr;
    if (curl_url_get(parsed.get(), CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK) return false;
    const bool web = std::string_view(scheme) == "http" || std::string_view(scheme) == "https";
    curl_free(scheme);
    return web;
}

bool is_valid_utf8(std::string_view text)
{
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        std::uint32_t code = 0;
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (lead >= 0xC2 && lead <= 0xDF) {
            extra = 1;
            code = lead & 0x1F;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            extra = 2;
            code = lead & 0x0F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            extra = 3;
            code = lead & 0x07;
        } else
            return false;
        if (i + extra >= text.size()) return false;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0) != 0x80) return false;
            code = (code << 6) | (next & 0x3F);
        }
        const bool overlong = (extra == 2 && code < 0x800) || (extra == 3 && code < 0x10000);
        if (overlong || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
        i += extra + 1;
    }
    return true;
}

// Header bytes have no declared character set. A line that reads as UTF-8 (what
// we send, and what servers mostly use) is converted; any other line is taken
// byte for byte, which keeps a server's code page 936 text as it was. ASCII, and
// so nearly every header, comes through unchanged either way. Zero bytes, which a
// Text cannot hold, are dropped.
Text header_text(const std::string& lines)
{
    Text text;
    std::size_t start = 0;
    while (start < lines.size()) {
        std::size_t end = lines.find("\r\n", start);
        end = end == std::string::npos ? lines.size() : end + 2;
        const std::string_view line(lines.data() + start, end - start);
        if (is_valid_utf8(line)) {
            text += gbk_from_utf8(line);
        } else {
            for (const char c : line)
                if (c != '\0') text += c;
        }
        start = end;
    }
    return text;
}

using HeaderList = std::unique_ptr<curl_slist, decltype(&curl_slist_free_all)>;

void append_line(HeaderList& list, const std::string& line)
{
    curl_slist* grown = curl_slist_append(list.get(), line.c_str());
    if (grown) {
        list.release();
        list.reset(grown);
    }
}

}  // namespace

struct HttpRequest::Backend {
    PhaseTimeouts timeouts;
    std::string proxy;  // UTF-8; empty: direct
    bool follow_redirects = true;
    bool verify_peer = true;
    bool verify_host = true;

    bool opened = false;
    std::string verb;
    std::string url;  // UTF-8, non-ASCII bytes percent-encoded
    std::vector<std::pair<std::string, std::string>> headers;  // UTF-8, in order
    int credential_flag = -1;                                  // -1: none
    std::string user;
    std::string password;
};

HttpRequest::HttpRequest() : backend_(std::make_unique<Backend>())
{
    initialise_curl_once();
}

HttpRequest::~HttpRequest() = default;

bool HttpRequest::set_timeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms)
{
    const auto limits = phase_limits(resolve_ms, connect_ms, send_ms, receive_ms);
    if (!limits) return false;
    backend_->timeouts = *limits;
    return true;
}

bool HttpRequest::set_proxy(int setting, const Text& server)
{
    if (setting == 0 || setting == 1) {
        backend_->proxy.clear();
        return true;
    }
    if (setting != 2 || server.empty()) return false;
    backend_->proxy = utf8_from_gbk(server);
    return true;
}

bool HttpRequest::open(const Text& verb, const Text& url, bool asynchronous)
{
    // Whatever the outcome, the last response goes: a caller that reads after a
    // refused open must not take the answer to an earlier request for this one.
    // A refused open also drops the request prepared before it, so that the next
    // send cannot go out to the earlier address.
    forget_response();
    failure_ = RequestFailure::none;
    // A line break in the address would also be one in a Referer made from it.
    std::string address = wire_url(url);
    if (asynchronous || !is_token(verb) || holds_line_break(url) || !is_web_address(address)) {
        backend_->opened = false;
        failure_ = RequestFailure::bad_address;
        return false;
    }
    backend_->opened = true;
    backend_->verb = verb;
    backend_->url = std::move(address);
    backend_->headers.clear();
    backend_->credential_flag = -1;
    backend_->user.clear();
    backend_->password.clear();
    return true;
}

bool HttpRequest::set_option(int index, int value)
{
    if (index == 6) {
        backend_->follow_redirects = value != 0;
        return true;
    }
    if (index == 4) {
        // libcurl cannot pass over one certificate fault and not another: the chain
        // check covers authority, usage and dates, the host check the name.
        backend_->verify_peer = (value & (0x0100 | 0x0200 | 0x2000)) == 0;
        backend_->verify_host = (value & 0x1000) == 0;
        return true;
    }
    return false;
}

bool HttpRequest::set_credentials(const Text& user, const Text& password, int flag)
{
    if (!backend_->opened || (flag != 0 && flag != 1)) return false;
    backend_->credential_flag = flag;
    backend_->user = utf8_from_gbk(user);
    backend_->password = utf8_from_gbk(password);
    return true;
}

bool HttpRequest::set_request_header(const Text& name, const Text& value)
{
    // A line break would end the header early and let the rest pass as headers
    // of its own. A Content-Length of the caller's beside the one the body makes
    // would leave the server reading the body wrongly.
    if (!backend_->opened || !is_token(name) || holds_line_break(value)) return false;
    if (ascii_equal_ignoring_case(name, "Content-Length")) return false;
    // Header text has no character set of its own on the wire; UTF-8 is what a
    // server reading non-ASCII header text expects today, and ASCII is unchanged.
    std::string wire_value = utf8_from_gbk(value);
    for (auto& header : backend_->headers) {
        if (ascii_equal_ignoring_case(header.first, name)) {
            header.second = std::move(wire_value);
            return true;
        }
    }
    backend_->headers.emplace_back(name, std::move(wire_value));
    return true;
}

bool HttpRequest::send_bytes(const std::string& body)
{
    failure_ = backend_->opened ? RequestFailure::other : RequestFailure::bad_address;
    if (!backend_->opened) return false;
    std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> easy(curl_easy_init(), curl_easy_cleanup);
    if (!easy) return false;
    CURL* handle = easy.get();

    curl_easy_setopt(handle, CURLOPT_URL, backend_->url.c_str());
    curl_easy_setopt(handle, CURLOPT_NOSIGNAL, 1L);
    // Do not wait for a name look-up that is still running when the exchange is given up.
    curl_easy_setopt(handle, CURLOPT_QUICK_EXIT, 1L);
    curl_easy_setopt(handle, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(handle, CURLOPT_FOLLOWLOCATION, backend_->follow_redirects ? 1L : 0L);
    curl_easy_setopt(handle, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, backend_->verify_peer ? 1L : 0L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, backend_->verify_host ? 2L : 0L);
    // Set even when empty: no proxy, and none taken from the environment either.
    curl_easy_setopt(handle, CURLOPT_PROXY, backend_->proxy.c_str());
    curl_easy_setopt(handle, CURLOPT_NOPROXY, "");
    curl_easy_setopt(handle, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(body_limit_));
    if (backend_->credential_flag == 1) {
        curl_easy_setopt(handle, CURLOPT_PROXYUSERNAME, backend_->user.c_str());
        curl_easy_setopt(handle, CURLOPT_PROXYPASSWORD, backend_->password.c_str());
        curl_easy_setopt(handle, CURLOPT_PROXYAUTH, CURLAUTH_ANY);
    } else if (backend_->credential_flag == 0) {
        curl_easy_setopt(handle, CURLOPT_USERNAME, backend_->user.c_str());
        curl_easy_setopt(handle, CURLOPT_PASSWORD, backend_->password.c_str());
        curl_easy_setopt(handle, CURLOPT_HTTPAUTH, CURLAUTH_ANY);
    }

    // POST and PUT always carry a body, if only an empty one; HEAD never does;
    // any other verb carries the body it was given.
    bool sends_body = !body.empty();
    if (backend_->verb == "HEAD") {
        curl_easy_setopt(handle, CURLOPT_NOBODY, 1L);
        sends_body = false;
    } else if (backend_->verb == "POST") {
        sends_body = true;
    } else if (backend_->verb == "PUT") {
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, backend_->verb.c_str());
        sends_body = true;
    } else if (backend_->verb != "GET" || sends_body) {
        curl_easy_setopt(handle, CURLOPT_CUSTOMREQUEST, backend_->verb.c_str());
    }
    if (sends_body) {
        curl_easy_setopt(handle, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(body.size()));
        curl_easy_setopt(handle, CURLOPT_POSTFIELDS, body.data());
    }

    HeaderList server_headers(nullptr, curl_slist_free_all);
    HeaderList proxy_headers(nullptr, curl_slist_free_all);
    bool has_accept = false;
    bool has_content_type = false;
    for (const auto& [name, value] : backend_->headers) {
        // "Name;" is libcurl's way of sending a header with an empty value.
        const std::string line = value.empty() ? name + ";" : name + ": " + value;
        // Proxy credentials go to the proxy alone, never on to the server.
        if (ascii_equal_ignoring_case(name, "Proxy-Authorization")) {
            append_line(proxy_headers, line);
            continue;
        }
        has_accept = has_accept || ascii_equal_ignoring_case(name, "Accept");
        has_content_type = has_content_type || ascii_equal_ignoring_case(name, "Content-Type");
        append_line(server_headers, line);
    }
    // Only the headers set on this object go out: none of libcurl's own.
    if (!has_accept) append_line(server_headers, "Accept:");
    if (!has_content_type) append_line(server_headers, "Content-Type:");
    append_line(server_headers, "Expect:");
    curl_easy_setopt(handle, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE);
    curl_easy_setopt(handle, CURLOPT_HTTPHEADER, server_headers.get());
    curl_easy_setopt(handle, CURLOPT_PROXYHEADER, proxy_headers.get());

    TransferOutcome outcome = run_transfer(handle, backend_->timeouts, sends_body ? body.size() : 0,
                                           body_limit_, wait_hook_);
    failure_ = outcome.failure;
    if (outcome.failure != RequestFailure::none) return false;
    status_ = outcome.status;
    response_headers_ = header_text(outcome.header_lines);
    response_body_ = std::move(outcome.body);
    return true;
}
