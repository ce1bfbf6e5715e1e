// A real HTTP (or HTTPS) server on 127.0.0.1 for tests: it listens on a free port,
// answers each request with the canned reply registered for its path, and
// records every request it received. Also usable as the proxy of a request: it
// then records the absolute address in the request line.
//
// Runs on threads of its own. Every wait inside it checks a stop flag at least
// every 20 ms, so the destructor returns promptly even while a reply is stalled.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <map>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

struct HeaderField {
    std::string name;
    std::string value;
    bool operator==(const HeaderField&) const = default;
};

// How a reply ends.
enum class ReplyEnding {
    complete,  // the whole reply; the connection stays open for the next request
    stall,     // headers and the first `ending_after` body bytes, then silence
    reset,     // headers and the first `ending_after` body bytes, then a TCP reset
    silence,   // nothing at all: the request is read and never answered
};

struct CannedReply {
    int status = 200;
    std::string reason;  // empty: the usual phrase for the status
    std::vector<HeaderField> headers;
    std::string body;
    bool add_content_length = true;  // Content-Length of the whole body, unless given in headers
    std::string raw;                 // when not empty, sent as the whole reply, byte for byte
    std::chrono::milliseconds delay{0};          // before the first byte
    std::size_t drip_bytes = 0;                  // body sent in pieces of this size ...
    std::chrono::milliseconds drip_interval{0};  // ... with this pause between them
    ReplyEnding ending = ReplyEnding::complete;
    std::size_t ending_after = 0;
};

struct RecordedRequest {
    std::string request_line;  // without CR LF
    std::string method;
    std::string target;                // as sent: a path, or an absolute address through a proxy
    std::vector<HeaderField> headers;  // in the order received, names as spelled
    std::string body;

    // The first value of the header, name compared ignoring ASCII case; "" when absent.
    std::string header(std::string_view name) const;
    bool has_header(std::string_view name) const;
    std::vector<std::string> header_names() const;
};

class LoopbackHttpServer {
public:
    enum class Scheme { http, https };

    // https: a self-signed certificate for 127.0.0.1 is made on the spot.
    explicit LoopbackHttpServer(Scheme scheme = Scheme::http);
    ~LoopbackHttpServer();
    LoopbackHttpServer(const LoopbackHttpServer&) = delete;
    LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

    bool listening() const { return listen_fd_ >= 0; }
    // False where the test programs have no TLS library (the Windows build): an
    // https server never listens there.
    static bool tls_available();
    int port() const { return port_; }
    std::string origin() const;                    // "http://127.0.0.1:<port>"
    std::string url(std::string_view path) const;  // origin followed by path
    std::string host_and_port() const;             // "127.0.0.1:<port>", as a proxy address

    // The reply for requests whose path is exactly path: with its query when one
    // was registered so, else without it. Other paths get 404 with the body "not found".
    void serve(const std::string& path, CannedReply reply);

    std::vector<RecordedRequest> requests() const;
    std::size_t request_count() const;
    RecordedRequest last_request() const;  // an empty record when there was none

private:
    class Connection;

    void accept_loop();
    void handle_connection(int fd);
    void answer(Connection& connection, const RecordedRequest& request, const CannedReply& reply);
    CannedReply reply_for(const std::string& target) const;

    Scheme scheme_;
    int listen_fd_ = -1;
    int port_ = 0;
    void* tls_context_ = nullptr;  // SSL_CTX*, kept out of this header
    std::atomic<bool> stopping_{false};
    std::thread accept_thread_;

    mutable std::mutex mutex_;
    std::map<std::string, CannedReply> replies_;
    std::vector<RecordedRequest> requests_;
    std::vector<std::thread> connection_threads_;
};

// A port on 127.0.0.1 where nothing listens (it was free a moment ago), for a
// request that must be refused.
int unused_loopback_port();
