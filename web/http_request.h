// The HTTP request object the web request routine drives: one exchange at a
// time, configured member by member, then sent; send returns once the exchange
// is over, calling the wait hook while it waits. Over libcurl on Linux and the
// WinHTTP automation object on Windows; each backend keeps its own state behind
// `Backend`, while the last exchange's outcome, the same for both, stays here.
//
// Texts go in and come out in code page 936. A failed call returns false and
// changes nothing (but see open); a read after a failed or missing exchange
// gives the empty value (empty Bytes, empty text, 0). The members are virtual so that a test can
// hand the routine an object that records the calls instead of sending them.
#pragma once

#include "phase_timeouts.h"
#include "text_types.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>

// Why an exchange brought no response. Each backend sorts its own errors into
// these kinds, so that a user can be told which one it was.
enum class RequestFailure {
    none,             // a response arrived, whatever its status; or nothing was sent yet
    bad_address,      // no request prepared: open refused the verb or the address
    name_not_found,   // the server's (or the proxy's) name could not be resolved
    cannot_connect,   // the connection was refused, or the host cannot be reached
    timed_out,        // a phase, or the exchange as a whole, ran past its limit
    tls_failure,      // the secure connection could not be set up
    connection_lost,  // the connection broke off before the response was whole
    too_large,        // the response went past the body or header limit
    abandoned,        // the wait hook gave the exchange up
    other,
};

// Called while send waits for the network; false gives the exchange up.
using WaitHook = std::function<bool()>;

class HttpRequest {
public:
    // A hostile server must not make the program hold an endless body in memory.
    static constexpr std::size_t default_body_limit = 64 * 1024 * 1024;

    HttpRequest();
    virtual ~HttpRequest();
    HttpRequest(const HttpRequest&) = delete;
    HttpRequest& operator=(const HttpRequest&) = delete;

    // Milliseconds for each phase; 0 or -1 means no limit. The initial limits are
    // none for resolving, 60000 to connect, 30000 to send and 30000 to receive.
    // Once connected, the whole exchange may last at most send + 2 x receive (see
    // PhaseTimeouts); past any limit the send fails. False (nothing changed) for
    // a value below -1.
    virtual bool set_timeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms);

    // Setting 2 sends the requests through the named proxy ("host:port");
    // 0 and 1 go direct. False for another setting or 2 with an empty server.
    virtual bool set_proxy(int setting, const Text& server);

    // Prepares a request: verb and full http or https address. Clears the request
    // headers, the credentials and the last response. False when asynchronous is
    // asked for, or the verb or the address is unusable (an address holding CR or
    // LF included); then no request stays prepared (send fails until the next
    // open), and the last response is gone all the same.
    virtual bool open(const Text& verb, const Text& url, bool asynchronous = false);

    // Index 6: follow redirects (value not 0) or not (0); followed by default.
    // Index 4: the certificate errors to ignore, as flags (0x0100 unknown
    // authority, 0x0200 wrong usage, 0x1000 wrong name, 0x2000 out of date).
    // False for any other index.
    virtual bool set_option(int index, int value);

    // Credentials to answer an authentication request of the proxy (flag 1) or
    // the server (flag 0). False before open or for another flag.
    virtual bool set_credentials(const Text& user, const Text& password, int flag);

    // Sets a header of the request, replacing one of the same name (ASCII case
    // ignored). False before open, for an empty name, a name holding a colon, a
    // CR or LF in name or value, and for Content-Length, which the body decides.
    virtual bool set_request_header(const Text& name, const Text& value);

    // Sends the request with the body and waits for the whole response. A text
    // body goes out as UTF-8. False (the last response kept) when no complete
    // response arrived: refused, unresolved, timed out, reset, over the body limit.
    virtual bool send(const Text& body);
    virtual bool send(const Bytes& body);

    // Why the last open or send failed; none after a response arrived, and after
    // an open that was taken.
    virtual RequestFailure failure() const;

    // Called on the sending thread at least every 20 ms or so while send waits,
    // so that the program can handle its events meanwhile. When it returns false
    // the transfer is stopped at once and send fails as abandoned. Empty: send
    // just waits.
    void set_wait_hook(WaitHook hook) { wait_hook_ = std::move(hook); }

    virtual Bytes response_body() const;
    // The final response's header lines, each ending in CR LF (no status line).
    virtual Text all_response_headers() const;
    // 0 when no response arrived.
    virtual int status() const;

    // Bytes of body accepted before an exchange is given up as failed.
    void set_body_limit(std::size_t bytes) { body_limit_ = bytes; }

private:
    struct Backend;

    bool send_bytes(const std::string& body);
    void forget_response();

    std::unique_ptr<Backend> backend_;
    std::size_t body_limit_ = default_body_limit;
    WaitHook wait_hook_;

    int status_ = 0;
    Text response_headers_;
    Bytes response_body_;
    RequestFailure failure_ = RequestFailure::none;
};
