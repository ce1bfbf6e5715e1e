// The whole resolution against servers that misbehave on the wire. Every fault
// ends within the one-second phase limits (and the whole-exchange limit that
// follows from them) with the list empty or filled from what arrived.
#include "loopback_http_server.h"
#include "page_fixtures.h"
#include "platform_checks.h"
#include "recording_view.h"
#include "room_resolution.h"
#include "socket_calls.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>

#include <psapi.h>
#else
#include <sys/resource.h>
#endif

#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string_view>
#include <thread>

namespace {

using std::chrono::milliseconds;

// A listener on 127.0.0.1 that answers whatever comes (a TLS ClientHello) with
// plain text and closes: no ServerHello ever arrives.
class GarbageServer {
public:
    GarbageServer()
    {
        fd_ = open_stream_socket();
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            listen(fd_, 8) != 0 ||
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0)
            return;
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~GarbageServer()
    {
        stopping_ = true;
        if (thread_.joinable()) thread_.join();
        if (fd_ >= 0) close_socket(fd_);
    }
    int port() const { return port_; }

private:
    void serve()
    {
        while (!stopping_) {
            if (wait_for_socket(fd_, POLLIN, 20) <= 0) continue;
            const int client = accept_connection(fd_);
            if (client < 0) continue;
            // Read the ClientHello first: closing on unread bytes would reset the
            // connection before the client sees the garbage.
            char scratch[4096];
            if (wait_for_socket(client, POLLIN, 500) > 0)
                receive_bytes(client, scratch, sizeof scratch);
            const char garbage[] = "HTTP/1.1 400 Bad Request\r\n\r\nthis is no TLS record\r\n";
            send_bytes(client, garbage, sizeof garbage - 1);
            end_sending(client);
            close_socket(client);
        }
    }

    int fd_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

const std::string fixture = "plain_2lines_3qualities";

const std::string& page()
{
    static const std::string whole = read_file(page_fixture(fixture + ".html"));
    return whole;
}

// Where the page's stream description ends; a cut before it leaves no description.
std::size_t description_end()
{
    return page().find("};\nwindow.") + 2;
}

std::string chunk(const std::string& data)
{
    char size[16];
    std::snprintf(size, sizeof size, "%zx\r\n", data.size());
    return size + data + "\r\n";
}

const std::string chunked_head =
    "HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
    "Transfer-Encoding: chunked\r\n\r\n";
const std::string http10_head = "HTTP/1.0 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n\r\n";

// The peak resident size of the process so far, in bytes.
long long peak_resident_bytes()
{
#ifdef _WIN32
    PROCESS_MEMORY_COUNTERS counters{};
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return static_cast<long long>(counters.PeakWorkingSetSize);
#else
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<long long>(usage.ru_maxrss) * 1024;
#endif
}

struct Servers {
    LoopbackHttpServer http;
    std::unique_ptr<GarbageServer> garbage;
};

struct FaultCase {
    const char* name;
    // Sets the fault up and gives the address to resolve.
    std::string (*serve)(Servers&);
    bool filled;          // the list holds the fixture's rows; else it is empty
    int status;           // what the report says came back
    std::size_t requests; // what the loopback server received
    RequestFailure failure;  // why the report says nothing came back
};

void PrintTo(const FaultCase& c, std::ostream* os) { *os << c.name; }

const FaultCase fault_cases[] = {
    {"complete_page",
     [](Servers& s) {
         s.http.serve("/room", {.body = page()});
         return s.http.url("/room");
     },
     true, 200, 1, RequestFailure::none},
    {"reset_mid_body",
     [](Servers& s) {
         s.http.serve("/room", {.body = page(), .ending = ReplyEnding::reset,
                                .ending_after = description_end()});
         return s.http.url("/room");
     },
     false, 0, 1, RequestFailure::connection_lost},
    // Four pieces 0.4 s apart: slow, but well inside the whole-exchange limit.
    {"steady_slow_body",
     [](Servers& s) {
         s.http.serve("/room", {.body = page(), .drip_bytes = page().size() / 4 + 1,
                                .drip_interval = milliseconds(400)});
         return s.http.url("/room");
     },
     true, 200, 1, RequestFailure::none},
    // No gap reaches the 1 s receive limit; the page would take minutes. The
    // whole exchange is given up after 1 + 2 x 1 s.
    {"one_byte_every_400ms",
     [](Servers& s) {
         s.http.serve("/room", {.body = page(), .drip_bytes = 1, .drip_interval = milliseconds(400)});
         return s.http.url("/room");
     },
     false, 0, 1, RequestFailure::timed_out},
    // The first request and ten redirects, then the exchange is given up.
    {"redirect_loop",
     [](Servers& s) {
         s.http.serve("/room", {.status = 302, .headers = {{"Location", "/room"}}});
         return s.http.url("/room");
     },
     false, 0, 11, RequestFailure::other},
    // 50 MB of markup before the stream description.
    {"fifty_megabytes",
     [](Servers& s) {
         const std::string whole = page();
         const std::size_t script = whole.find("<script>");
         std::string big = whole.substr(0, script);
         const std::string filler = "<p class=\"filler\">padding, padding, padding</p>\n";
         big.reserve(50 * 1024 * 1024 + whole.size());
         while (big.size() < 50 * 1024 * 1024) big += filler;
         big += whole.substr(script);
         s.http.serve("/room", {.body = std::move(big)});
         return s.http.url("/room");
     },
     true, 200, 1, RequestFailure::none},
    {"chunked_whole",
     [](Servers& s) {
         const std::string whole = page();
         s.http.serve("/room", {.raw = chunked_head + chunk(whole.substr(0, 300)) +
                                       chunk(whole.substr(300)) + "0\r\n\r\n"});
         return s.http.url("/room");
     },
     true, 200, 1, RequestFailure::none},
    // Cut inside a chunk that would have held the rest of the page.
    {"chunked_cut_mid_chunk",
     [](Servers& s) {
         const std::string whole = page();
         s.http.serve("/room", {.raw = chunked_head + chunk(whole.substr(0, 300)) +
                                       chunk(whole.substr(300)).substr(0, 200)});
         return s.http.url("/room");
     },
     false, 0, 1, RequestFailure::connection_lost},
    // Every byte of the page came, but not the chunk that ends the body: the
    // response is still incomplete.
    {"chunked_without_last_chunk",
     [](Servers& s) {
         s.http.serve("/room", {.raw = chunked_head + chunk(page())});
         return s.http.url("/room");
     },
     false, 0, 1, RequestFailure::connection_lost},
    // Without a length the body is whatever came before the close.
    {"http10_no_length_closed",
     [](Servers& s) {
         s.http.serve("/room", {.raw = http10_head + page().substr(0, description_end())});
         return s.http.url("/room");
     },
     true, 200, 1, RequestFailure::none},
    {"http10_closed_inside_description",
     [](Servers& s) {
         s.http.serve("/room", {.raw = http10_head + page().substr(0, description_end() - 10)});
         return s.http.url("/room");
     },
     false, 200, 1, RequestFailure::none},
    // The plain server waits for a request line that never comes; the handshake
    // runs into the connect limit.
    {"tls_to_a_plain_http_port",
     [](Servers& s) { return "https://" + s.http.host_and_port() + "/room"; },
     false, 0, 0, RequestFailure::timed_out},
    {"tls_answered_with_garbage",
     [](Servers& s) {
         s.garbage = std::make_unique<GarbageServer>();
         return "https://127.0.0.1:" + std::to_string(s.garbage->port()) + "/room";
     },
     false, 0, 0, RequestFailure::tls_failure},
};

class NetworkFault : public testing::TestWithParam<FaultCase> {};

TEST_P(NetworkFault, EndsWithinTheLimitsWithWhatArrived)
{
    const FaultCase& c = GetParam();
    if (running_under_wine() && std::string_view(c.name).rfind("chunked_", 0) == 0 &&
        c.status == 0)
        GTEST_SKIP() << "Wine's WinHTTP takes a chunked body cut off by the close for a whole one";
    Servers servers;
    ASSERT_TRUE(servers.http.listening());
    const std::string address = c.serve(servers);
    RecordingView view;
    view.list_append_row();  // a row of an earlier press, which must go in any case

    const long long peak_before = peak_resident_bytes();
    const auto start = std::chrono::steady_clock::now();
    const ResolutionReport report = resolve_room(address, view, {.timeout_seconds = 1});
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (c.filled)
        EXPECT_EQ(as_utf8(view.rows), expected_rows(fixture));
    else
        EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(report.http_status, c.status);
    EXPECT_EQ(report.fetch_failure, c.failure);
    EXPECT_EQ(servers.http.request_count(), c.requests);
    // Not a speed check: with 1 s per phase the exchange is over after at most
    // 1 s to connect and 3 s for the rest; a hang runs far past this.
    EXPECT_LT(seconds, 10.0);
    // Nor a tight measure: the largest body (50 MB) is held a few times over on
    // its way to the list (served, received, converted, cut), more under the
    // sanitizers, but never without bound.
    const long long grown = peak_resident_bytes() - peak_before;
    EXPECT_LT(grown, 1024LL * 1024 * 1024) << "peak memory grew by " << (grown >> 20) << " MB";
}

INSTANTIATE_TEST_SUITE_P(Faults, NetworkFault, testing::ValuesIn(fault_cases),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
