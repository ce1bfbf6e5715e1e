#include "loopback_http_server.h"

#include "socket_calls.h"

#ifdef _WIN32
#include "tls_unavailable.h"
#else
#include "self_signed_tls.h"

#include <openssl/err.h>
#include <openssl/ssl.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <csignal>
#include <cstring>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

constexpr int slice_ms = 20;                       // longest wait between looks at the stop flag
constexpr milliseconds next_request_limit{10000};  // idle keep-alive connection
constexpr milliseconds stalled_limit{30000};       // a stalled reply waits this long for the client
constexpr milliseconds handshake_limit{5000};
constexpr std::size_t header_limit = 1024 * 1024;

bool same_ignoring_case(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

std::string trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
    return std::string(text);
}

std::string usual_reason(int status)
{
    switch (status) {
        case 200:
            return "OK";
        case 204:
            return "No Content";
        case 301:
            return "Moved Permanently";
        case 302:
            return "Found";
        case 303:
            return "See Other";
        case 307:
            return "Temporary Redirect";
        case 400:
            return "Bad Request";
        case 401:
            return "Unauthorized";
        case 404:
            return "Not Found";
        case 407:
            return "Proxy Authentication Required";
        case 500:
            return "Internal Server Error";
        default:
            return "Status";
    }
}

// The path part of a target: an absolute address (a proxy request) loses its
// scheme and host.
std::string path_of(const std::string& target)
{
    const std::size_t scheme_end = target.find("://");
    if (scheme_end == std::string::npos || target.front() == '/') return target;
    const std::size_t path_start = target.find('/', scheme_end + 3);
    return path_start == std::string::npos ? "/" : target.substr(path_start);
}

void ignore_broken_pipes_once()
{
    // OpenSSL writes with plain write(), which raises SIGPIPE on a socket the
    // client has closed; the test process must not die of it.
#ifndef _WIN32
    static std::once_flag once;
    std::call_once(once, [] { std::signal(SIGPIPE, SIG_IGN); });
#endif
}

}  // namespace

// One accepted socket, plain or TLS. Reads and writes give up when the server stops.
class LoopbackHttpServer::Connection {
public:
    Connection(int fd, SSL* ssl, const std::atomic<bool>& stopping)
        : fd_(fd), ssl_(ssl), stopping_(stopping)
    {
    }
    ~Connection()
    {
        if (ssl_) SSL_free(ssl_);
        if (fd_ >= 0) close_socket(fd_);
    }

    // Bytes read (> 0), 0 when the client closed, -1 on error, stop or idle limit.
    long read_some(char* buffer, std::size_t size, milliseconds idle_limit)
    {
        const auto give_up = Clock::now() + idle_limit;
        while (!stopping_) {
            if (!(ssl_ && SSL_pending(ssl_) > 0)) {
                const int ready = wait_for_socket(fd_, POLLIN, slice_ms);
                if (ready < 0 && !failed_for_now()) return -1;
                if (ready <= 0) {
                    if (Clock::now() >= give_up) return -1;
                    continue;
                }
            }
            if (ssl_) {
                const int got = SSL_read(ssl_, buffer, static_cast<int>(size));
                if (got > 0) return got;
                const int error = SSL_get_error(ssl_, got);
                if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) continue;
                ERR_clear_error();
                return error == SSL_ERROR_ZERO_RETURN ? 0 : -1;
            }
            const long got = receive_bytes(fd_, buffer, size);
            if (got >= 0) return got;
            if (!failed_for_now()) return -1;
        }
        return -1;
    }

    bool write_all(std::string_view data)
    {
        while (!data.empty()) {
            if (stopping_) return false;
            const int ready = wait_for_socket(fd_, POLLOUT, slice_ms);
            if (ready < 0 && !failed_for_now()) return false;
            if (ready <= 0) continue;
            long sent = 0;
            if (ssl_) {
                const int wrote = SSL_write(ssl_, data.data(), static_cast<int>(data.size()));
                if (wrote <= 0) {
                    const int error = SSL_get_error(ssl_, wrote);
                    if (error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE) continue;
                    ERR_clear_error();
                    return false;
                }
                sent = wrote;
            } else {
                // Pieces of at most 64 KiB: Winsock under Wine sends a huge buffer slowly.
                const long wrote = send_bytes(fd_, data.data(), std::min<std::size_t>(data.size(), 65536));
                if (wrote < 0) {
                    if (failed_for_now()) continue;
                    return false;
                }
                sent = wrote;
            }
            data.remove_prefix(static_cast<std::size_t>(sent));
        }
        return true;
    }

    // Holds the connection open, reading and dropping whatever comes, until the
    // client closes it, the limit passes or the server stops.
    void wait_for_client_to_leave(milliseconds limit)
    {
        char scratch[4096];
        while (read_some(scratch, sizeof scratch, limit) > 0) {
        }
    }

    // Ends the connection in order: the client reads an end of stream.
    void finish()
    {
        if (ssl_) {
            SSL_shutdown(ssl_);
            ERR_clear_error();
        }
        end_sending(fd_);
        close_now();
    }

    // Ends the connection with a TCP reset instead of an orderly close.
    void reset()
    {
        linger abort_at_once{1, 0};
        set_socket_option(fd_, SOL_SOCKET, SO_LINGER, &abort_at_once, sizeof abort_at_once);
        close_now();
    }

    bool open() const { return fd_ >= 0; }

    // Reads one request; false when none came whole (closed, idle, too large).
    bool read_request(RecordedRequest& request)
    {
        std::size_t header_end;
        while ((header_end = pending_.find("\r\n\r\n")) == std::string::npos) {
            if (pending_.size() > header_limit || !fill(next_request_limit)) return false;
        }
        const std::string head = pending_.substr(0, header_end);
        pending_.erase(0, header_end + 4);

        std::size_t line_end = head.find("\r\n");
        request.request_line = head.substr(0, line_end);
        const std::size_t first_space = request.request_line.find(' ');
        const std::size_t second_space = request.request_line.rfind(' ');
        if (first_space == std::string::npos || second_space == first_space) return false;
        request.method = request.request_line.substr(0, first_space);
        request.target =
            request.request_line.substr(first_space + 1, second_space - first_space - 1);

        while (line_end != std::string::npos) {
            const std::size_t start = line_end + 2;
            line_end = head.find("\r\n", start);
            const std::string line = head.substr(
                start, line_end == std::string::npos ? std::string::npos : line_end - start);
            const std::size_t colon = line.find(':');
            if (colon == std::string::npos) continue;
            request.headers.push_back(
                {line.substr(0, colon), trimmed(std::string_view(line).substr(colon + 1))});
        }

        const std::string length_text = request.header("Content-Length");
        const std::size_t length = std::strtoul(length_text.c_str(), nullptr, 10);
        if (length > header_limit * 64) return false;
        while (pending_.size() < length) {
            if (!fill(next_request_limit)) return false;
        }
        request.body = pending_.substr(0, length);
        pending_.erase(0, length);
        return true;
    }

private:
    void close_now()
    {
        if (ssl_) SSL_free(ssl_);
        ssl_ = nullptr;
        if (fd_ >= 0) close_socket(fd_);
        fd_ = -1;
    }

    bool fill(milliseconds limit)
    {
        char buffer[16384];
        const long got = read_some(buffer, sizeof buffer, limit);
        if (got <= 0) return false;
        pending_.append(buffer, static_cast<std::size_t>(got));
        return true;
    }

    int fd_;
    SSL* ssl_;
    const std::atomic<bool>& stopping_;
    std::string pending_;
};

std::string RecordedRequest::header(std::string_view name) const
{
    for (const auto& field : headers) {
        if (same_ignoring_case(field.name, name)) return field.value;
    }
    return {};
}

bool RecordedRequest::has_header(std::string_view name) const
{
    for (const auto& field : headers) {
        if (same_ignoring_case(field.name, name)) return true;
    }
    return false;
}

std::vector<std::string> RecordedRequest::header_names() const
{
    std::vector<std::string> names;
    for (const auto& field : headers) names.push_back(field.name);
    return names;
}

bool LoopbackHttpServer::tls_available()
{
#ifdef _WIN32
    return false;
#else
    return true;
#endif
}

LoopbackHttpServer::LoopbackHttpServer(Scheme scheme) : scheme_(scheme)
{
    ignore_broken_pipes_once();
    if (scheme_ == Scheme::https) {
        tls_context_ = make_self_signed_server_context();
        if (!tls_context_) return;
    }
    const int fd = open_stream_socket();
    if (fd < 0) return;
    const int yes = 1;
    set_socket_option(fd, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t size = sizeof address;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(fd, 64) != 0 || getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        close_socket(fd);
        return;
    }
    listen_fd_ = fd;
    port_ = ntohs(address.sin_port);
    accept_thread_ = std::thread([this] { accept_loop(); });
}

LoopbackHttpServer::~LoopbackHttpServer()
{
    stopping_ = true;
    if (accept_thread_.joinable()) accept_thread_.join();
    std::vector<std::thread> threads;
    {
        std::lock_guard lock(mutex_);
        threads.swap(connection_threads_);
    }
    for (auto& thread : threads) thread.join();
    if (listen_fd_ >= 0) close_socket(listen_fd_);
    if (tls_context_) SSL_CTX_free(static_cast<SSL_CTX*>(tls_context_));
}

std::string LoopbackHttpServer::origin() const
{
    return (scheme_ == Scheme::https ? "https://" : "http://") + host_and_port();
}

std::string LoopbackHttpServer::url(std::string_view path) const
{
    return origin() + std::string(path);
}

std::string LoopbackHttpServer::host_and_port() const
{
    return "127.0.0.1:" + std::to_string(port_);
}

void LoopbackHttpServer::serve(const std::string& path, CannedReply reply)
{
    std::lock_guard lock(mutex_);
    replies_[path] = std::move(reply);
}

std::vector<RecordedRequest> LoopbackHttpServer::requests() const
{
    std::lock_guard lock(mutex_);
    return requests_;
}

std::size_t LoopbackHttpServer::request_count() const
{
    std::lock_guard lock(mutex_);
    return requests_.size();
}

RecordedRequest LoopbackHttpServer::last_request() const
{
    std::lock_guard lock(mutex_);
    return requests_.empty() ? RecordedRequest{} : requests_.back();
}

CannedReply LoopbackHttpServer::reply_for(const std::string& target) const
{
    std::lock_guard lock(mutex_);
    const std::string path = path_of(target);
    auto found = replies_.find(path);
    if (found == replies_.end()) found = replies_.find(path.substr(0, path.find('?')));
    if (found != replies_.end()) return found->second;
    CannedReply missing;
    missing.status = 404;
    missing.body = "not found";
    return missing;
}

void LoopbackHttpServer::accept_loop()
{
    while (!stopping_) {
        if (wait_for_socket(listen_fd_, POLLIN, slice_ms) <= 0) continue;
        const int fd = accept_connection(listen_fd_);
        if (fd < 0) continue;
        std::lock_guard lock(mutex_);
        connection_threads_.emplace_back([this, fd] { handle_connection(fd); });
    }
}

void LoopbackHttpServer::handle_connection(int fd)
{
    // A blocking call that poll() let through can still wait for the rest of a TLS
    // record; these limits keep even that short.
    set_blocking_limits(fd, 500);

    SSL* ssl = nullptr;
    if (tls_context_) {
        ssl = SSL_new(static_cast<SSL_CTX*>(tls_context_));
        if (!ssl) {
            close_socket(fd);
            return;
        }
        SSL_set_fd(ssl, fd);
    }
    Connection connection(fd, ssl, stopping_);
    if (ssl) {
        const auto give_up = Clock::now() + handshake_limit;
        for (;;) {
            const int done = SSL_accept(ssl);
            if (done == 1) break;
            const int error = SSL_get_error(ssl, done);
            ERR_clear_error();
            const bool again = error == SSL_ERROR_WANT_READ || error == SSL_ERROR_WANT_WRITE;
            if (!again || stopping_ || Clock::now() >= give_up) return;
        }
    }

    while (connection.open() && !stopping_) {
        RecordedRequest request;
        if (!connection.read_request(request)) return;
        {
            std::lock_guard lock(mutex_);
            requests_.push_back(request);
        }
        answer(connection, request, reply_for(request.target));
        if (same_ignoring_case(request.header("Connection"), "close")) return;
    }
}

void LoopbackHttpServer::answer(Connection& connection, const RecordedRequest& request,
                                const CannedReply& reply)
{
    const auto sleep_until = Clock::now() + reply.delay;
    while (Clock::now() < sleep_until && !stopping_)
        std::this_thread::sleep_for(milliseconds(slice_ms / 4));

    if (reply.ending == ReplyEnding::silence) {
        connection.wait_for_client_to_leave(stalled_limit);
        connection.finish();
        return;
    }
    if (!reply.raw.empty()) {
        connection.write_all(reply.raw);
        connection.finish();
        return;
    }

    std::string head = "HTTP/1.1 " + std::to_string(reply.status) + " " +
                       (reply.reason.empty() ? usual_reason(reply.status) : reply.reason) + "\r\n";
    bool has_length = false;
    for (const auto& field : reply.headers) {
        head += field.name + ": " + field.value + "\r\n";
        has_length = has_length || same_ignoring_case(field.name, "Content-Length");
    }
    if (reply.add_content_length && !has_length)
        head += "Content-Length: " + std::to_string(reply.body.size()) + "\r\n";
    head += "\r\n";
    if (!connection.write_all(head)) return;

    std::string_view body =
        request.method == "HEAD" ? std::string_view() : std::string_view(reply.body);
    if (reply.ending != ReplyEnding::complete)
        body = body.substr(0, std::min(reply.ending_after, body.size()));
    const std::size_t piece = reply.drip_bytes ? reply.drip_bytes : body.size();
    while (!body.empty()) {
        const std::size_t n = std::min(piece, body.size());
        if (!connection.write_all(body.substr(0, n))) return;
        body.remove_prefix(n);
        if (!body.empty() && reply.drip_interval.count() > 0) {
            const auto resume = Clock::now() + reply.drip_interval;
            while (Clock::now() < resume && !stopping_)
                std::this_thread::sleep_for(milliseconds(slice_ms / 4));
        }
    }

    if (reply.ending == ReplyEnding::stall) {
        connection.wait_for_client_to_leave(stalled_limit);
        connection.finish();
    } else if (reply.ending == ReplyEnding::reset) {
        connection.reset();
    } else if (!reply.add_content_length) {
        // Without a length the end of the body is the end of the connection.
        connection.finish();
    }
}

int unused_loopback_port()
{
    const int fd = open_stream_socket();
    if (fd < 0) return 0;
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    int port = 0;
    if (bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        getsockname(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0)
        port = ntohs(address.sin_port);
    close_socket(fd);
    return port;
}
