// Room pages kept in tests/data/pages, with what the list and the playlist must
// show for each: "<name>.rows" (UTF-8, one tab-separated row per line, an empty
// line for each separator row) and, for some, "<name>.dpl" (the exact bytes).
#pragma once

#include "code_page.h"
#include "text_types.h"

#include <array>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

inline std::filesystem::path page_fixture(const std::string& file)
{
    return std::filesystem::path(PELVARO_TEST_DATA) / "pages" / file;
}

inline std::string read_file(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

using Utf8Row = std::array<std::string, 3>;

inline std::vector<Utf8Row> expected_rows(const std::string& name)
{
    std::vector<Utf8Row> rows;
    std::istringstream lines(read_file(page_fixture(name + ".rows")));
    for (std::string line; std::getline(lines, line);) {
        Utf8Row row;
        std::size_t column = 0;
        for (char c : line) {
            if (c == '\t' && column < 2)
                ++column;
            else
                row[column] += c;
        }
        rows.push_back(row);
    }
    return rows;
}

template <typename Rows>
std::vector<Utf8Row> as_utf8(const Rows& rows)
{
    std::vector<Utf8Row> out;
    for (const auto& row : rows)
        out.push_back({utf8_from_gbk(row[0]), utf8_from_gbk(row[1]), utf8_from_gbk(row[2])});
    return out;
}

// The plain two-line page with control characters in the texts a streamer or the
// site chooses: a nick that tries to add a playlist entry, a tab and a DEL in a
// quality name, line breaks in the first line's index and HLS base, and a 0x01
// in its stream name.
inline std::string page_with_control_characters()
{
    std::string page = read_file(page_fixture("plain_2lines_3qualities.html"));
    const std::pair<std::string, std::string> changes[] = {
        {"\"测试主播\"", "\"x\\r\\n1*file*http://elsewhere/x.m3u8\""},
        {"\"蓝光4M\"", "\"蓝光\\t4M\\u007f\""},
        {"\"iLineIndex\": 3", "\"iLineIndex\": \"3\\n\""},
        {"\"http://al.hls.example.test/src\"", "\"http://al.hls.example.test/src\\r\\n\""},
        {"\"1234-abc\"", "\"1234\\u0001abc\""},
    };
    for (const auto& [from, to] : changes) page.replace(page.find(from), from.size(), to);
    return page;
}
