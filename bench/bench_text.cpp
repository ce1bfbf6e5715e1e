// Times the two codecs that see a whole page: base64_decode of a 1 MiB text and
// utf8_to_gbk of a 16 MiB page. The event pump is left empty, as in a test run.

#include "bench_timing.h"
#include "encodings.h"
#include "runtime_hooks.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

namespace {

struct Timing {
    double first_ms;   // includes the first touch of fresh memory and one-time set-up
    double median_ms;  // of the runs after the first
};

template <typename Work>
Timing time_runs(int runs, Work work)
{
    const double first = work();
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) times.push_back(work());
    return {first, median(std::move(times))};
}

// 1 MiB of Base64 (768 KiB of random bytes), with or without a CR LF every 76 characters.
Text base64_text(bool line_breaks)
{
    std::mt19937 random(42);
    Bytes plain(768 * 1024);
    for (auto& byte : plain) byte = static_cast<std::uint8_t>(random());
    const Text encoded = base64_encode(plain);
    if (!line_breaks) return encoded;
    Text broken;
    for (std::size_t i = 0; i < encoded.size(); i += 76) broken += encoded.substr(i, 76) + "\r\n";
    return broken;
}

// A page of markup with Chinese captions: about a third of its bytes are UTF-8 of
// Chinese characters, the rest ASCII.
Bytes utf8_page(std::size_t size)
{
    const std::string chunk =
        "<li class=\"room\"><a href=\"https://example.test/room/123456\" title=\"\xE7\x9B\xB4"
        "\xE6\x92\xAD\xE9\x97\xB4\">\xE4\xB8\xBB\xE6\x92\xAD\xE6\xAD\xA3\xE5\x9C\xA8\xE7\x9B"
        "\xB4\xE6\x92\xAD\xEF\xBC\x9A\xE8\x8B\xB1\xE9\x9B\x84\xE8\x81\x94\xE7\x9B\x9F "
        "\xE9\xAB\x98\xE6\xB8\x85</a><span>12.3\xE4\xB8\x87</span></li>\n";
    Bytes page;
    page.reserve(size + chunk.size());
    while (page.size() < size) page.insert(page.end(), chunk.begin(), chunk.end());
    page.resize(size);
    while (!page.empty() && (page.back() & 0xC0) == 0x80) page.pop_back();  // whole characters
    if (!page.empty() && page.back() >= 0xC0) page.pop_back();
    return page;
}

}  // namespace

int main()
{
    set_event_pump(nullptr);

    for (const bool line_breaks : {false, true}) {
        const Text input = base64_text(line_breaks);
        std::size_t decoded = 0;
        const Timing timing = time_runs(21, [&] {
            Text text = input;  // the decoder rewrites its input
            return timed_ms([&] { decoded = base64_decode(text).size(); });
        });
        std::printf("base64_decode %zu bytes of text%s -> %zu bytes: median %.2f ms (first %.2f)\n",
                    input.size(), line_breaks ? " (CR LF every 76)" : "", decoded, timing.median_ms,
                    timing.first_ms);
    }

    const Bytes page = utf8_page(16u << 20);
    std::size_t converted = 0;
    const Timing timing =
        time_runs(11, [&] { return timed_ms([&] { converted = utf8_to_gbk(page).size(); }); });
    std::printf("utf8_to_gbk %zu bytes of UTF-8 -> %zu bytes of GBK: median %.2f ms (first %.2f)\n",
                page.size(), converted, timing.median_ms, timing.first_ms);
    return 0;
}
