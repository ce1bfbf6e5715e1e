// Times what a resolution asks of the JSON object: parsing a stream description of
// about 200 KB (a real one with its line list repeated, on one line as pages carry
// it) and 1,000 get_text reads by the paths the flow uses.

#include "bench_timing.h"
#include "code_page.h"
#include "json_script_object.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

Text real_description()
{
    std::ifstream file(PELVARO_TEST_DATA "/json/stream_hyplayerconfig_3lines.json",
                       std::ios::binary);
    std::ostringstream utf8;
    utf8 << file.rdbuf();
    return gbk_from_utf8(utf8.str());
}

// The real description with its three lines repeated until the text reaches the size.
Text large_description(std::size_t size)
{
    JsonScriptObject builder;
    if (!builder.parse(real_description())) return {};
    auto engine = builder.engine_object();
    while (builder.to_json().size() < size) {
        engine->eval(
            "var list = da.data[0].gameStreamInfoList;"
            "list.push(JSON.parse(JSON.stringify(list[list.length % 3])))");
    }
    return builder.to_json();
}

}  // namespace

int main()
{
    const Text description = large_description(200 * 1024);
    if (description.empty()) {
        std::fprintf(stderr, "bench_json: the stream description could not be read\n");
        return 1;
    }
    JsonScriptObject da;
    da.parse(description);
    const int lines = da.member_count("data[0].gameStreamInfoList");

    std::vector<Text> paths;
    const char* members[] = {"sHlsUrl", "sStreamName", "iLineIndex", "sCdnType", "sHlsUrlSuffix"};
    for (int i = 0; paths.size() < 1000; ++i) {
        paths.push_back("data[0].gameStreamInfoList[" + std::to_string(i % lines) + "]." +
                        members[i % 5]);
    }

    const int runs = 21;
    std::vector<double> parse_ms;
    std::vector<double> read_ms;
    std::size_t read_bytes = 0;
    for (int run = 0; run < runs; ++run) {
        JsonScriptObject object;
        parse_ms.push_back(timed_ms([&] { object.parse(description); }));
        read_ms.push_back(timed_ms([&] {
            for (const Text& path : paths) read_bytes += object.get_text(path).size();
        }));
        object.destroy();
    }

    std::printf("stream description: %zu bytes, %d lines\n", description.size(), lines);
    std::printf("parse:              median %7.2f ms (target < 10 ms), %d runs\n", median(parse_ms),
                runs);
    std::printf("1,000 get_text:     median %7.2f ms (target < 30 ms), %d runs\n", median(read_ms),
                runs);
    std::printf("(%zu bytes read per run)\n", read_bytes / runs);
    return 0;
}
