// Runs one prepared libcurl transfer to its end on the calling thread, with a
// time limit for each phase of the exchange, and one for the exchange as a whole,
// that hold to a few tens of milliseconds (libcurl's own limits count whole
// seconds or cover several phases).
#pragma once

#include "http_request.h"
#include "phase_timeouts.h"
#include "text_types.h"

#include <curl/curl.h>

#include <cstddef>
#include <string>

struct TransferOutcome {
    // none when a whole response arrived; otherwise why not: refused, timed
    // out, reset, over a limit, ...
    RequestFailure failure = RequestFailure::other;
    int status = 0;
    // The final response's header lines (no status line, no blank line), each
    // ending in CR LF, as the server sent their bytes.
    std::string header_lines;
    Bytes body;
};

// Drives easy (URL, verb, headers and body already set) and collects the final
// response. upload_size is the number of body bytes the request sends. A body
// above body_limit bytes ends the transfer. keep_waiting, when set, is called
// after every look at the transfer (about every 20 ms while nothing happens);
// false stops the transfer. On any failure, the outcome says which kind it was.
TransferOutcome run_transfer(CURL* easy, const PhaseTimeouts& timeouts, std::size_t upload_size,
                             std::size_t body_limit, const WaitHook& keep_waiting);

// The kind of failure a libcurl result stands for; none for CURLE_OK, other for
// results that fit no kind.
RequestFailure request_failure_for(CURLcode result);
