// Inputs found while fuzzing the readers of outside input (fuzz/), each with the
// sound result it must give.
#include "json_script_object.h"
#include "loopback_http_server.h"
#include "room_resolution.h"
#include "room_view.h"
#include "stream_paths.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <ostream>
#include <string>

namespace {

std::string read_fuzz_data(const std::string& name)
{
    std::ifstream in(std::filesystem::path(PELVARO_TEST_DATA) / "fuzz" / name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Counts what the flow puts into the list and keeps nothing else, so a runaway
// list costs no memory here.
class CountingView : public RoomView {
public:
    int rows = 0;

    Text address_text() override { return {}; }
    bool playlist_wanted() override { return false; }
    void list_clear() override { rows = 0; }
    int list_append_row() override { return rows++; }
    void list_set_cell(int, int, const Text&) override {}
    Text list_cell_text(int, int) override { return {}; }
    int list_selected_row() override { return -1; }
    bool put_clipboard_text(const Text&) override { return true; }
    void show_message(const Text&, int, const Text&) override {}
};

// The empty description: the script engine, built with clang's undefined
// behaviour checks, flagged its own lookup in an object without properties.
// The engine is compiled with that one check off; the reads must still fail
// cleanly.
TEST(FoundJsonInput, EmptyDescriptionParsesToNothingAndEveryReadFails)
{
    JsonScriptObject document;
    EXPECT_FALSE(document.parse(""));
    EXPECT_EQ(document.get_text(room_id_path), "");
    EXPECT_LE(document.member_count(qualities_path), 0);
    EXPECT_LE(document.member_count(lines_path), 0);
    EXPECT_EQ(document.get_text(element_member_path(lines_path, 0, "sHlsUrl")), "");
}

// A room page far above any real room (a handful of lines of a handful of
// qualities), and far below what the page's counts ask for.
constexpr int row_ceiling = 65536;

struct HostilePage {
    const char* file;
    const char* why;
};

void PrintTo(const HostilePage& page, std::ostream* out) { *out << page.file; }

class FoundPage : public testing::TestWithParam<HostilePage> {};

// The flow makes lines x (qualities + 1) rows from two counts the page decides.
// 400 bare elements (or a 400-character text, whose characters count as members)
// in each list ask for 160,400 rows from under 2 KB; 50,000 of each made a
// 200 KB page exhaust the memory.
TEST_P(FoundPage, ResolutionKeepsTheListBounded)
{
    LoopbackHttpServer server;
    ASSERT_TRUE(server.listening());
    CannedReply reply;
    reply.headers = {{"Content-Type", "text/html; charset=utf-8"}};
    reply.body = read_fuzz_data(std::string("pages/") + GetParam().file);
    ASSERT_FALSE(reply.body.empty());
    server.serve("/room", reply);

    CountingView view;
    const ResolutionReport report = resolve_room(server.url("/room"), view);

    EXPECT_TRUE(report.parsed);
    EXPECT_LE(view.rows, row_ceiling) << GetParam().why;
    EXPECT_EQ(report.rows, view.rows);
}

INSTANTIATE_TEST_SUITE_P(
    Pages, FoundPage,
    testing::Values(HostilePage{"counts_from_bare_elements.html", "both lists hold 400 zeros"},
                    HostilePage{"counts_from_texts.html", "both lists are 400-character texts"}),
    [](const testing::TestParamInfo<HostilePage>& info) {
        return std::string(info.param.file).substr(0, std::string(info.param.file).find('.'));
    });

}  // namespace
