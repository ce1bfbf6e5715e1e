// One HTTP exchange with browser-like default headers, cookies sent and merged
// with the ones the response sets, an optional proxy with credentials, and the
// response body, headers and status handed back.
#pragma once

#include "cookie_text.h"
#include "header_block.h"
#include "http_request.h"
#include "text_types.h"

#include <optional>

// Everything about the exchange beyond the address; a field left alone means
// "omitted". Pointers name the caller's own variables, which the routine reads
// and writes; a null pointer is an omitted variable. The fields follow the
// routine's parameter order:
//   WebRequestOptions options;
//   options.method = 1;
//   options.post_text = form;
//   options.cookies = &jar;
//   Bytes page = visit_web_page(url, options);
// Designated initialisers read the same way ({.method = 1, .cookies = &jar}),
// but GCC 12 flags each member they leave out under -Wextra.
struct WebRequestOptions {
    // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT; others GET.
    int method = 0;
    Text post_text;  // the body when post_bytes is empty
    // Cookie text to send ("a=1; b=2"); every "Cookie:" in it is removed first.
    // After a merge it holds the merged cookies. Null: no Cookie header, no merge.
    Text* cookies = nullptr;
    Text* returned_cookies = nullptr;  // out: the response's cookies (merged when merging)
    // In: extra header lines joined by CR LF. Out: the block as completed and normalised.
    Text* headers = nullptr;
    Text* returned_headers = nullptr;  // out: the response's header lines, CR LF after each
    int* status = nullptr;             // out: the status code, 0 without a response
    bool no_redirect = false;          // true: the redirect response itself is the answer
    Bytes post_bytes;                  // the body, when not empty
    Text proxy;                        // "host:port"; empty: direct
    // -1: the request object's own limits; 0 and other negatives: 15 s per phase;
    // above 0: that many seconds per phase, at most 2147483.
    // Once connected, the whole exchange may last 1 + 2 times the phase limit.
    int timeout_seconds = 0;
    Text proxy_user;
    Text proxy_password;
    std::optional<int> proxy_flag;  // 1 (default): credentials for the proxy; 0: for the server
    HttpRequest* request_object = nullptr;    // the caller's object; null: one of the routine's own
    std::optional<bool> merge_cookies;        // default true
    std::optional<bool> add_default_headers;  // default true
    std::optional<bool> normalize_headers;    // default true
};

// The response body exactly as it arrived (an error page's body included; see
// status). The empty Bytes when no response arrived: bad address (one holding
// CR or LF included), no connection, timeout, reset, a body above the request
// object's limit; a caller's request object never lends an earlier answer. Then the
// returned headers are empty, the status is 0 and the returned cookies are
// empty or, when merging, the sent cookies merged on their own.
Bytes visit_web_page(const Text& url, const WebRequestOptions& options = {});
