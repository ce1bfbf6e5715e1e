// What the routine asks of the request object, checked through a recording object.
#include "recording_request.h"
#include "web_request.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <optional>
#include <string>
#include <vector>

namespace {

using Calls = std::vector<std::string>;

const Text url = "http://h.invalid/p";
const std::string user_agent = "User-Agent|Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const Text user_agent_line = "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
const Calls default_headers = {"Accept|*/*", "Referer|" + url, "Accept-Language|zh-cn", user_agent};

}  // namespace

TEST(WebRequestCalls, PlainGetCallsInOrder)
{
    RecordingRequest request;
    visit_web_page(url, {.request_object = &request});
    Calls expected = {"set_timeouts 15000 15000 15000 15000", "open GET " + url,
                      "set_option 4 13056"};
    for (const auto& header : default_headers) expected.push_back("header " + header);
    expected.push_back("send text ");
    EXPECT_EQ(request.calls, expected);
}

TEST(WebRequestCalls, MethodTable)
{
    // clang-format off
    struct Case { int method; std::string verb; bool content_type; };
    const Case cases[] = {
        {0, "GET", false},    {1, "POST", true},     {2, "HEAD", false},   {3, "PUT", false},
        {4, "OPTIONS", false}, {5, "DELETE", false}, {6, "TRACE", false},  {7, "CONNECT", false},
        {-1, "GET", false},   {8, "GET", false},
    };
    // clang-format on
    for (const auto& c : cases) {
        RecordingRequest request;
        visit_web_page(url, {.method = c.method, .request_object = &request});
        EXPECT_EQ(request.calls.at(1), "open " + c.verb + " " + url) << c.method;
        Calls expected = default_headers;
        if (c.content_type) expected.push_back("Content-Type|application/x-www-form-urlencoded");
        EXPECT_EQ(request.header_calls(), expected) << c.method;
    }
}

TEST(WebRequestCalls, HeaderBlockEdgeCases)
{
    // clang-format off
    struct Case {
        Text headers;
        bool add_defaults, normalize;
        Calls sent;
        Text block_after;
        const char* why;
    };
    const Case cases[] = {
        {"accept: text/html", true, true,
         {"Accept|text/html", "Referer|" + url, "Accept-Language|zh-cn", user_agent},
         "Accept: text/html\r\nReferer: " + url + "\r\nAccept-Language: zh-cn\r\n" +
             user_agent_line,
         "a marker found in any case keeps the default out"},
        {"X-Accept: 1", true, true,
         {"X-Accept|1", "Referer|" + url, "Accept-Language|zh-cn", user_agent},
         "X-Accept: 1\r\nReferer: " + url + "\r\nAccept-Language: zh-cn\r\n" + user_agent_line,
         "the Accept marker inside another name"},
        {"Connection: keep-alive\r\nConnection: close", false, true, {"Connection|close"},
         "Connection: keep-alive\r\nConnection: close", "keep-alive skipped, close sent"},
        {"connection: keep-alive\r\nX: 1", false, true, {"X|1"}, "Connection: keep-alive\r\nX: 1",
         "normalised into the skipped spelling"},
        {"connection: keep-alive\r\nX: 1", false, false, {"connection|keep-alive", "X|1"},
         "connection: keep-alive\r\nX: 1", "sent when not normalised"},
        {"Connection: Keep-Alive\r\nX: 1", false, true, {"Connection|Keep-Alive", "X|1"},
         "Connection: Keep-Alive\r\nX: 1", "another spelling of the value is sent"},
        {"\r\nA: 1\r\n\r\nB: 2\r\n", false, false, {"A|1", "B|2"}, "\r\nA: 1\r\n\r\nB: 2\r\n",
         "empty lines and a trailing CR LF send nothing"},
        {"  x-one  :  v:1  ", false, true, {"x-One|v:1"}, "  x-One  :  v:1  ",
         "one line without CR LF: one call, name and value trimmed"},
        {"x-one  :  v", false, false, {"x-one|v"}, "x-one  :  v", "a single line as it is"},
        {"", false, false, {}, "", "an empty block sends nothing"},
        {"no colon", false, false, {"|"}, "no colon",
         "one line without a colon: an empty name, which the object refuses"},
        {"Host: a:8080\r\nX:\r\n:v", false, false, {"Host|a:8080", "X|", "|v"},
         "Host: a:8080\r\nX:\r\n:v",
         "the value keeps later colons; empty name and value are handed on"},
        {"A: 1\nB: 2\r\nC: 3\rD: 4\r\nE: 5", false, false, {"E|5"},
         "A: 1\nB: 2\r\nC: 3\rD: 4\r\nE: 5",
         "a lone LF or CR inside a line keeps that header from being sent"},
        {"X-\xD6\xD0: \xCE\xC4", false, false, {"X-\xD6\xD0|\xCE\xC4"}, "X-\xD6\xD0: \xCE\xC4",
         "two-byte characters pass"},
    };
    // clang-format on
    for (const auto& c : cases) {
        RecordingRequest request;
        Text headers = c.headers;
        visit_web_page(url, {.headers = &headers,
                             .request_object = &request,
                             .add_default_headers = c.add_defaults,
                             .normalize_headers = c.normalize});
        EXPECT_EQ(request.header_calls(), c.sent) << c.why;
        EXPECT_EQ(headers, c.block_after) << c.why;
    }
}

TEST(WebRequestCalls, OmittedHeadersGetTheDefaultsOnly)
{
    RecordingRequest request;
    Text headers;
    visit_web_page(url, {.headers = &headers, .request_object = &request});
    EXPECT_EQ(headers,
              "Accept: */*\r\nReferer: " + url +
                  "\r\nAccept-Language: zh-cn\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; "
                  "Windows NT 6.1)");
    Text unnormalised;
    RecordingRequest second;
    visit_web_page(
        url, {.headers = &unnormalised, .request_object = &second, .normalize_headers = false});
    EXPECT_EQ(text_left(unnormalised, 13), "\r\nAccept: */*")
        << "the completed block starts with CR LF";
    EXPECT_EQ(second.header_calls(), default_headers);
}

TEST(WebRequestCalls, Timeouts)
{
    const std::string clamped = "set_timeouts 2147483000 2147483000 2147483000 2147483000";
    // clang-format off
    struct Case { int seconds; std::string call; const char* why; };
    const Case cases[] = {
        {-1, "", "no call"},
        {0, "set_timeouts 15000 15000 15000 15000", "omitted"},
        {-7, "set_timeouts 15000 15000 15000 15000", "negative other than -1"},
        {5, "set_timeouts 5000 5000 5000 5000", "seconds to milliseconds"},
        {2147483, clamped, "the largest that fits"},
        {2147484, clamped, "clamped, not wrapped"},
        {2147483647, clamped, "clamped, not wrapped"},
    };
    // clang-format on
    for (const auto& c : cases) {
        RecordingRequest request;
        visit_web_page(url, {.timeout_seconds = c.seconds, .request_object = &request});
        const std::string first =
            request.calls.front().rfind("set_timeouts", 0) == 0 ? request.calls.front() : "";
        EXPECT_EQ(first, c.call) << c.why;
    }
}

TEST(WebRequestCalls, ProxyAndCredentials)
{
    // clang-format off
    struct Case {
        Text proxy, user;
        std::optional<int> flag;
        Calls expected;  // the proxy, credential and Proxy-Authorization calls
        const char* why;
    };
    const Case cases[] = {
        {"", "", std::nullopt, {}, "no proxy"},
        {"p:8080", "", std::nullopt, {"set_proxy 2 p:8080"}, "proxy without a user"},
        {"", "u", std::nullopt, {}, "a user without a proxy"},
        {"p:8080", "user", std::nullopt,
         {"set_proxy 2 p:8080", "set_credentials user pass 1",
          "header Proxy-Authorization|Basic dXNlcjpwYXNz"},
         "flag omitted means the proxy"},
        {"p:8080", "user", 0, {"set_proxy 2 p:8080", "set_credentials user pass 0"},
         "credentials for the server"},
    };
    // clang-format on
    for (const auto& c : cases) {
        RecordingRequest request;
        visit_web_page(url, {.proxy = c.proxy,
                             .proxy_user = c.user,
                             .proxy_password = "pass",
                             .proxy_flag = c.flag,
                             .request_object = &request,
                             .add_default_headers = false});
        Calls got;
        for (const auto& call : request.calls) {
            if (call.rfind("set_proxy", 0) == 0 || call.rfind("set_credentials", 0) == 0 ||
                call.rfind("header Proxy", 0) == 0)
                got.push_back(call);
        }
        EXPECT_EQ(got, c.expected) << c.why;
    }
}

TEST(WebRequestCalls, CookieHeaderAndVariable)
{
    // clang-format off
    struct Case { Text cookies; Calls sent; Text after; const char* why; };
    const Case cases[] = {
        {"Cookie: a=1", {"Cookie| a=1"}, " a=1", "the marker goes, the space after it stays"},
        {"a=1; COOKIE:b=2", {"Cookie|a=1; b=2"}, "a=1; b=2", "every marker, in any case"},
        {"", {"Cookie|"}, "", "given empty: an empty Cookie header"},
        {"a=\r\nX: 1", {}, "a=\r\nX: 1", "a line break keeps the Cookie header from being sent"},
    };
    // clang-format on
    for (const auto& c : cases) {
        RecordingRequest request;
        Text cookies = c.cookies;
        visit_web_page(url, {.cookies = &cookies,
                             .request_object = &request,
                             .merge_cookies = false,
                             .add_default_headers = false});
        EXPECT_EQ(request.header_calls(), c.sent) << c.why;
        EXPECT_EQ(cookies, c.after) << c.why;
    }

    RecordingRequest request;
    visit_web_page(url, {.request_object = &request, .add_default_headers = false});
    EXPECT_TRUE(request.header_calls().empty()) << "cookies omitted: no Cookie header";
}

TEST(WebRequestCalls, SetCookieCollection)
{
    // clang-format off
    struct Case { Text response_headers, returned; const char* why; };
    const Case cases[] = {
        {"Set-Cookie: a=1; path=/\r\nSet-Cookie: b=2\r\n", "a=1; b=2",
         "attributes dropped, order kept"},
        {"set-cookie: c=3; path=/\r\nSET-COOKIE: h=8\r\n", "c=3; h=8", "names in any case"},
        {"Set-Cookie:d=4\r\nX: y\r\nSet-Cookie2: i=9\r\n", "",
         "no space after the colon, or another name"},
        {"Set-Cookie: \r\nSet-Cookie: e=5", "; e=5", "an empty value still counts"},
        {"Set-Cookie: f=1;\r\n", "f=1", "a bare ';'"},
        {"Set-Cookie: g=\xD6\xD0; path=/", "g=\xD6\xD0", "two-byte value before the ';'"},
        {"", "", "no headers"},
    };
    // clang-format on
    for (const auto& c : cases) {
        RecordingRequest request;
        request.canned_headers = c.response_headers;
        Text returned = "stale";
        visit_web_page(url, {.returned_cookies = &returned, .request_object = &request});
        EXPECT_EQ(returned, c.returned) << c.why;
    }
}

TEST(WebRequestCalls, MergeWritesBothVariables)
{
    RecordingRequest request;
    request.canned_headers =
        "Set-Cookie: b=3; path=/\r\nSet-Cookie: c=4\r\nSet-Cookie: x=deleted\r\n";
    request.canned_status = 200;
    Text cookies = "Cookie: a=1; b=2; x=9";
    Text returned;
    visit_web_page(
        url, {.cookies = &cookies, .returned_cookies = &returned, .request_object = &request});
    EXPECT_EQ(returned, "b=3; c=4; a=1");
    EXPECT_EQ(cookies, "b=3; c=4; a=1");

    Text unmerged_cookies = "a=1";
    Text unmerged;
    RecordingRequest second;
    second.canned_headers = request.canned_headers;
    visit_web_page(url, {.cookies = &unmerged_cookies,
                         .returned_cookies = &unmerged,
                         .request_object = &second,
                         .merge_cookies = false});
    EXPECT_EQ(unmerged, "b=3; c=4; x=deleted");
    EXPECT_EQ(unmerged_cookies, "a=1");
}

TEST(WebRequestCalls, BodyChoiceAndRedirectSwitch)
{
    RecordingRequest both;
    visit_web_page(url, {.method = 1,
                         .post_text = "text",
                         .no_redirect = true,
                         .post_bytes = {'b', 0, 'y'},
                         .request_object = &both});
    EXPECT_EQ(both.calls.back(), std::string("send bytes b\0y", 14));
    EXPECT_NE(std::find(both.calls.begin(), both.calls.end(), "set_option 6 0"), both.calls.end());

    RecordingRequest text_only;
    visit_web_page(url, {.method = 5, .post_text = "text", .request_object = &text_only});
    EXPECT_EQ(text_only.calls.back(), "send text text") << "a text body whatever the verb";
    EXPECT_EQ(std::find(text_only.calls.begin(), text_only.calls.end(), "set_option 6 0"),
              text_only.calls.end());
}

TEST(WebRequestCalls, ResultsComeFromTheObject)
{
    RecordingRequest request;
    request.canned_body = {'<', 0, '>'};
    request.canned_headers = "A: 1\r\n";
    request.canned_status = 404;
    Text headers = "x";
    int status = -5;
    const Bytes body = visit_web_page(
        url, {.returned_headers = &headers, .status = &status, .request_object = &request});
    EXPECT_EQ(body, (Bytes{'<', 0, '>'}));
    EXPECT_EQ(headers, "A: 1\r\n");
    EXPECT_EQ(status, 404);
}

TEST(WebRequestCalls, NoResponseStillMergesTheSentCookies)
{
    RecordingRequest request;  // answers nothing: empty body, headers and status 0
    Text cookies = "a=1; a=2; q=deleted";
    Text returned = "stale";
    Text headers = "stale";
    int status = 7;
    const Bytes body = visit_web_page(url, {.cookies = &cookies,
                                            .returned_cookies = &returned,
                                            .returned_headers = &headers,
                                            .status = &status,
                                            .request_object = &request});
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(headers, "");
    EXPECT_EQ(status, 0);
    EXPECT_EQ(returned, "a=1");
    EXPECT_EQ(cookies, "a=1");
}
