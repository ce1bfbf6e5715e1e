// A whole resolution of a room page (3 lines, 5 qualities) served from 127.0.0.1,
// and where the time goes: a page of 300 KB, as the site serves, and one of 16 MB.
// Prints medians in milliseconds.

#include "bench_timing.h"
#include "collecting_view.h"
#include "encodings.h"
#include "json_script_object.h"
#include "loopback_http_server.h"
#include "room_page.h"
#include "room_resolution.h"
#include "stream_description.h"
#include "stream_paths.h"
#include "web_request.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace {

void time_resolution(std::size_t filler_bytes, int runs)
{
    LoopbackHttpServer server;
    CannedReply reply;
    reply.body = room_page(filler_bytes);
    server.serve("/room", reply);
    const Text address = server.url("/room");

    const double whole = median_ms(runs, [&] {
        CollectingView view;
        resolve_room(address, view);
    });

    Bytes body;
    Text page, description;
    const double fetch = median_ms(runs, [&] { body = visit_web_page(address); });
    const double convert = median_ms(runs, [&] { page = utf8_to_gbk(body); });
    const double cut = median_ms(runs, [&] { description = cut_stream_description(page); });
    const double unwrap = median_ms(runs, [&] { (void)unwrap_stream_description(description); });
    const double parse = median_ms(runs, [&] {
        JsonScriptObject document;
        document.parse(description);
    });
    JsonScriptObject document;
    document.parse(description);
    const double reads = median_ms(runs, [&] {
        document.get_text(room_id_path);
        for (int i = 0; i < document.member_count(qualities_path); ++i) {
            document.get_text(element_member_path(qualities_path, i, "sDisplayName"));
            document.get_text(element_member_path(qualities_path, i, "iBitRate"));
        }
        document.get_text(nick_path);
        for (int j = 0; j < document.member_count(lines_path); ++j) {
            document.get_text(element_member_path(lines_path, j, "sStreamName"));
            document.get_text(element_member_path(lines_path, j, "sHlsUrl"));
            document.get_text(element_member_path(lines_path, j, "iLineIndex"));
        }
    });

    std::printf("page: %zu bytes, 3 lines x 5 qualities, median of %d runs (ms)\n",
                reply.body.size(), runs);
    std::printf("  whole resolution   %8.3f\n", whole);
    std::printf("  fetch              %8.3f\n", fetch);
    std::printf("  UTF-8 to GBK       %8.3f\n", convert);
    std::printf("  cut description    %8.3f\n", cut);
    std::printf("  unwrap (plain)     %8.3f\n", unwrap);
    std::printf("  engine + parse     %8.3f\n", parse);
    std::printf("  reads by path      %8.3f\n", reads);
    std::printf("  list fill (rest)   %8.3f\n",
                whole - fetch - convert - cut - unwrap - parse - reads);
    // The steps one by one hold still better than the difference of two medians.
    std::printf("  page bytes to rows %8.3f  (the steps after the fetch, added up)\n",
                convert + cut + unwrap + parse + reads);
}

}  // namespace

int main()
{
    time_resolution(290 * 1024, 30);
    time_resolution(16 * 1024 * 1024, 7);
    return 0;
}
