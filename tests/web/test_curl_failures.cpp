// Which kind of failure each libcurl result is reported as. Most kinds are also
// met on the wire in the loopback tests; an unresolvable name is not, since a
// test must not send name queries off the machine.
#include "curl_transfer.h"

#include <gtest/gtest.h>

namespace {

TEST(CurlFailures, EachResultFallsIntoItsKind)
{
    using enum RequestFailure;
    // clang-format off
    struct Case { CURLcode result; RequestFailure failure; };
    const Case cases[] = {
        {CURLE_OK, none},
        {CURLE_URL_MALFORMAT, bad_address},
        {CURLE_UNSUPPORTED_PROTOCOL, bad_address},
        {CURLE_COULDNT_RESOLVE_HOST, name_not_found},
        {CURLE_COULDNT_RESOLVE_PROXY, name_not_found},
        {CURLE_COULDNT_CONNECT, cannot_connect},
        {CURLE_OPERATION_TIMEDOUT, timed_out},
        {CURLE_SSL_CONNECT_ERROR, tls_failure},
        {CURLE_PEER_FAILED_VERIFICATION, tls_failure},
        {CURLE_SSL_CERTPROBLEM, tls_failure},
        {CURLE_RECV_ERROR, connection_lost},
        {CURLE_SEND_ERROR, connection_lost},
        {CURLE_GOT_NOTHING, connection_lost},
        {CURLE_PARTIAL_FILE, connection_lost},
        {CURLE_FILESIZE_EXCEEDED, too_large},
        {CURLE_TOO_MANY_REDIRECTS, other},
        {CURLE_WEIRD_SERVER_REPLY, other},
        {CURLE_OUT_OF_MEMORY, other},
    };
    // clang-format on
    for (const Case& c : cases)
        EXPECT_EQ(request_failure_for(c.result), c.failure) << curl_easy_strerror(c.result);
}

}  // namespace
