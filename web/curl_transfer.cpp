#include "curl_transfer.h"

#include <chrono>
#include <string_view>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

// How often the transfer wakes up to look at the clock when nothing happens.
constexpr int poll_interval_ms = 20;

// Header lines a server may send before the transfer is given up; a body has its
// own limit from the caller.
constexpr std::size_t header_limit = 1024 * 1024;

struct Watch {
    Clock::time_point start = Clock::now();
    Clock::time_point last_activity = start;
    Clock::time_point first_connected;  // when the first connection stood
    bool connected = false;             // some request of this transfer has a connection
    bool sent = false;                  // the current request went out whole
    curl_off_t uploaded = 0;
    std::size_t upload_size = 0;
    std::size_t body_limit = 0;
    bool over_limit = false;  // a callback refused more headers or body
    std::string header_lines;
    Bytes body;
};

// Called for every request of the transfer (redirects included) once its
// connection stands, before a byte of it goes out.
int on_connected(void* user, char*, char*, int, int)
{
    auto& watch = *static_cast<Watch*>(user);
    watch.last_activity = Clock::now();
    if (!watch.connected) watch.first_connected = watch.last_activity;
    watch.connected = true;
    watch.sent = watch.upload_size == 0;
    watch.uploaded = 0;
    return CURL_PREREQFUNC_OK;
}

std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& watch = *static_cast<Watch*>(user);
    const std::size_t length = size * count;
    watch.last_activity = Clock::now();
    watch.sent = true;
    std::string_view line(data, length);
    // Each response (an interim 100, a redirect, a proxy's tunnel answer) starts
    // with its status line; only the last one's headers are kept.
    if (line.starts_with("HTTP/")) {
        watch.header_lines.clear();
        return length;
    }
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    if (line.empty()) return length;
    if (watch.header_lines.size() + line.size() + 2 > header_limit) {
        watch.over_limit = true;
        return 0;
    }
    watch.header_lines.append(line);
    watch.header_lines.append("\r\n");
    return length;
}

std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user)
{
    auto& watch = *static_cast<Watch*>(user);
    const std::size_t length = size * count;
    watch.last_activity = Clock::now();
    if (length > watch.body_limit - watch.body.size()) {
        watch.over_limit = true;
        return 0;  // ends the transfer
    }
    watch.body.insert(watch.body.end(), data, data + length);
    return length;
}

bool past(Clock::time_point now, Clock::time_point from, long long limit_ms)
{
    return limit_ms > 0 && now - from >= milliseconds(limit_ms);
}

// True when the phase the transfer is in, or the exchange as a whole, has run
// over its limit.
bool phase_expired(CURL* easy, Watch& watch, const PhaseTimeouts& timeouts)
{
    const auto now = Clock::now();
    if (watch.connected && past(now, watch.first_connected, timeouts.whole_exchange_ms()))
        return true;
    if (!watch.connected) {
        curl_off_t resolved_after_us = 0;
        curl_easy_getinfo(easy, CURLINFO_NAMELOOKUP_TIME_T, &resolved_after_us);
        if (resolved_after_us == 0) return past(now, watch.start, timeouts.resolve_ms);
        const auto resolved = watch.start + std::chrono::microseconds(resolved_after_us);
        return past(now, resolved, timeouts.connect_ms);
    }
    if (!watch.sent) {
        curl_off_t uploaded = 0;
        curl_easy_getinfo(easy, CURLINFO_SIZE_UPLOAD_T, &uploaded);
        if (uploaded != watch.uploaded) {
            watch.uploaded = uploaded;
            watch.last_activity = now;
        }
        if (static_cast<std::size_t>(uploaded) >= watch.upload_size) {
            watch.sent = true;
            return false;
        }
        return past(now, watch.last_activity, timeouts.send_ms);
    }
    return past(now, watch.last_activity, timeouts.receive_ms);
}

struct MultiHandle {
    CURLM* multi = curl_multi_init();
    CURL* easy = nullptr;
    ~MultiHandle()
    {
        if (easy) curl_multi_remove_handle(multi, easy);
        if (multi) curl_multi_cleanup(multi);
    }
};

}  // namespace

RequestFailure request_failure_for(CURLcode result)
{
    switch (result) {
        case CURLE_OK:
            return RequestFailure::none;
        case CURLE_UNSUPPORTED_PROTOCOL:  // also a redirect to another scheme
        case CURLE_URL_MALFORMAT:
            return RequestFailure::bad_address;
        case CURLE_COULDNT_RESOLVE_PROXY:
        case CURLE_COULDNT_RESOLVE_HOST:
            return RequestFailure::name_not_found;
        case CURLE_COULDNT_CONNECT:
            return RequestFailure::cannot_connect;
        case CURLE_OPERATION_TIMEDOUT:
            return RequestFailure::timed_out;
        case CURLE_SSL_CONNECT_ERROR:
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CERTPROBLEM:
        case CURLE_SSL_CIPHER:
        case CURLE_SSL_CACERT_BADFILE:
        case CURLE_SSL_CRL_BADFILE:
        case CURLE_SSL_ISSUER_ERROR:
        case CURLE_SSL_PINNEDPUBKEYNOTMATCH:
        case CURLE_SSL_INVALIDCERTSTATUS:
        case CURLE_SSL_CLIENTCERT:
        case CURLE_USE_SSL_FAILED:
            return RequestFailure::tls_failure;
        case CURLE_SEND_ERROR:
        case CURLE_RECV_ERROR:
        case CURLE_GOT_NOTHING:
        case CURLE_PARTIAL_FILE:
        case CURLE_HTTP2:
        case CURLE_HTTP2_STREAM:
            return RequestFailure::connection_lost;
        case CURLE_FILESIZE_EXCEEDED:
            return RequestFailure::too_large;
        default:
            return RequestFailure::other;
    }
}

TransferOutcome run_transfer(CURL* easy, const PhaseTimeouts& timeouts, std::size_t upload_size,
                             std::size_t body_limit, const WaitHook& keep_waiting)
{
    TransferOutcome outcome;
    Watch watch;
    watch.upload_size = upload_size;
    watch.body_limit = body_limit;

    curl_easy_setopt(easy, CURLOPT_PREREQFUNCTION, on_connected);
    curl_easy_setopt(easy, CURLOPT_PREREQDATA, &watch);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, on_header);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &watch);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, on_body);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &watch);

    MultiHandle handle;
    if (!handle.multi || curl_multi_add_handle(handle.multi, easy) != CURLM_OK) return outcome;
    handle.easy = easy;

    CURLcode result = CURLE_FAILED_INIT;
    for (;;) {
        int running = 0;
        if (curl_multi_perform(handle.multi, &running) != CURLM_OK) break;
        int queued = 0;
        bool done = false;
        while (CURLMsg* message = curl_multi_info_read(handle.multi, &queued)) {
            if (message->msg == CURLMSG_DONE) {
                result = message->data.result;
                done = true;
            }
        }
        if (done || running == 0) break;
        if (phase_expired(easy, watch, timeouts)) {
            outcome.failure = RequestFailure::timed_out;
            return outcome;
        }
        if (curl_multi_poll(handle.multi, nullptr, 0, poll_interval_ms, nullptr) != CURLM_OK) break;
        if (keep_waiting && !keep_waiting()) {
            outcome.failure = RequestFailure::abandoned;
            return outcome;
        }
    }
    if (result != CURLE_OK) {
        outcome.failure =
            watch.over_limit ? RequestFailure::too_large : request_failure_for(result);
        return outcome;
    }

    long status = 0;
    curl_easy_getinfo(easy, CURLINFO_RESPONSE_CODE, &status);
    outcome.failure = RequestFailure::none;
    outcome.status = static_cast<int>(status);
    outcome.header_lines = std::move(watch.header_lines);
    outcome.body = std::move(watch.body);
    return outcome;
}
