#include "dpl_playlist.h"
#include "loopback_http_server.h"
#include "page_fixtures.h"
#include "recording_view.h"
#include "room_resolution.h"
#include "runtime_hooks.h"
#include "scoped_env.h"
#include "stream_description.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

namespace fs = std::filesystem;

namespace {

const Text saved_prefix = gbk_from_utf8("播放列表已保存至桌面");

// Serves one page at "/room" and points the desktop at a fresh folder.
class ResolutionTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.listening()); }

    void serve_page(const std::string& body, int status = 200)
    {
        CannedReply reply;
        reply.status = status;
        reply.headers = {{"Content-Type", "text/html; charset=utf-8"}};
        reply.body = body;
        server.serve("/room", reply);
    }

    ResolutionReport resolve(bool playlist = false)
    {
        view.playlist = playlist;
        return resolve_room(server.url("/room"), view);
    }

    std::vector<RecordingView::Message> messages_starting(const Text& prefix) const
    {
        std::vector<RecordingView::Message> found;
        for (const auto& m : view.messages)
            if (m.text.rfind(prefix, 0) == 0) found.push_back(m);
        return found;
    }

    LoopbackHttpServer server;
    TempDir desktop;
    ScopedEnv desktop_env{"XDG_DESKTOP_DIR", desktop.path().string()};
    RecordingView view;
};

struct PageCase {
    const char* name;
    const char* room;  // the playlist's file is named after it
    const char* dpl;   // the fixture holding the playlist's exact bytes, if any
};

void PrintTo(const PageCase& page, std::ostream* os) { *os << page.name; }

class FixturePage : public ResolutionTest, public testing::WithParamInterface<PageCase> {};

TEST_P(FixturePage, FillsTheListAndWritesThePlaylist)
{
    const PageCase& page = GetParam();
    serve_page(read_file(page_fixture(std::string(page.name) + ".html")));

    const ResolutionReport report = resolve(true);

    EXPECT_EQ(as_utf8(view.rows), expected_rows(page.name));
    EXPECT_EQ(report.room, page.room);
    const fs::path playlist = desktop.path() / (std::string(page.room) + ".dpl");
    ASSERT_TRUE(fs::exists(playlist));
    if (page.dpl) {
        EXPECT_EQ(read_file(playlist), read_file(page_fixture(page.dpl)));
    }
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, saved_prefix + page.room + ".dpl");
    EXPECT_EQ(view.messages[0].caption, gbk_from_utf8("信息"));
    EXPECT_EQ(view.messages[0].flags, 0x40000);
    // The check box is read once the list is full.
    const auto last_call = [&](const std::string& name) {
        return std::find(view.calls.rbegin(), view.calls.rend(), name) - view.calls.rbegin();
    };
    EXPECT_LT(last_call("playlist_wanted"), last_call("list_clear"));
    if (!view.rows.empty()) {
        EXPECT_LT(last_call("playlist_wanted"), last_call("list_append_row"));
    }
}

const PageCase page_cases[] = {
    {"plain_2lines_3qualities", "520520", "plain_2lines_3qualities.dpl"},
    // The same rows and playlist as the plain form.
    {"base64_2lines_3qualities", "520520", "plain_2lines_3qualities.dpl"},
    {"real_hyplayerconfig_3lines_1quality", "30456807", "real_hyplayerconfig_3lines_1quality.dpl"},
    {"offline_no_lines", "520520", "offline_no_lines.dpl"},
    {"lines_without_qualities", "520520", nullptr},
    {"absent_members_and_odd_bit_rates", "520520", nullptr},
    {"no_markers", "", nullptr},
    {"base64_holding_status", "", nullptr},
};

INSTANTIATE_TEST_SUITE_P(Pages, FixturePage, testing::ValuesIn(page_cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ResolutionTest, ThePageIsFetchedOnceWithTheDefaultHeaders)
{
    serve_page(read_file(page_fixture("plain_2lines_3qualities.html")));
    resolve();
    ASSERT_EQ(server.request_count(), 1u);
    const RecordedRequest request = server.last_request();
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.header("Referer"), server.url("/room"));
    EXPECT_EQ(request.header("Accept-Language"), "zh-cn");
}

TEST_F(ResolutionTest, ANewPressReplacesTheRowsAndAFailedFetchEmptiesTheList)
{
    serve_page(read_file(page_fixture("plain_2lines_3qualities.html")));
    resolve();
    ASSERT_EQ(view.rows.size(), 8u);
    EXPECT_EQ(view.rows[7], (RecordingView::Row{})) << "the last row is a separator";

    serve_page(read_file(page_fixture("real_hyplayerconfig_3lines_1quality.html")));
    resolve();
    EXPECT_EQ(as_utf8(view.rows), expected_rows("real_hyplayerconfig_3lines_1quality"));

    const ResolutionReport report =
        resolve_room("http://127.0.0.1:" + std::to_string(unused_loopback_port()) + "/room", view);
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(report.http_status, 0);
}

TEST_F(ResolutionTest, AnErrorPageGivesAnEmptyList)
{
    serve_page("<html>not here</html>", 404);
    const ResolutionReport report = resolve();
    EXPECT_TRUE(view.rows.empty());
    EXPECT_EQ(report.http_status, 404);
    EXPECT_EQ(report.form, ResolutionReport::Form::missing);
}

// Giving a resolution up while the page is on its way stops the transfer;
// giving it up while the description is decoded stops the flow there. Either way
// the list keeps its rows and no playlist is written, though one is wanted.
TEST_F(ResolutionTest, AnAbandonedResolutionChangesNothing)
{
    // While fetching, each pump is followed by the flow asking whether to go on;
    // the decoder pumps without asking. So a pump that finds itself two calls
    // ahead of the questions is the decoder's second one.
    int pumps = 0;
    struct Case {
        const char* why;
        CannedReply reply;
        std::function<bool()> abandon_now;
        RequestFailure fetch_failure;
    };
    CannedReply silence;
    silence.ending = ReplyEnding::silence;
    CannedReply base64_page;
    base64_page.body = read_file(page_fixture("base64_2lines_3qualities.html"));
    const Case cases[] = {
        {"a server that never answers", silence, [&] { return pumps == 3; },
         RequestFailure::abandoned},
        {"inside the Base64 decoder", base64_page,
         [&] { return pumps >= view.abandoned_questions + 2; }, RequestFailure::none},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        server.serve("/room", c.reply);
        view = RecordingView{};
        view.list_append_row();  // a row of an earlier press
        pumps = 0;
        set_event_pump([&] {
            ++pumps;
            if (c.abandon_now()) view.abandoned = true;
        });
        const ResolutionReport report = resolve(true);
        set_event_pump({});

        EXPECT_TRUE(report.abandoned);
        EXPECT_EQ(report.fetch_failure, c.fetch_failure);
        EXPECT_EQ(view.rows.size(), 1u);
        EXPECT_EQ(std::count(view.calls.begin(), view.calls.end(), "list_clear"), 0);
        EXPECT_TRUE(view.messages.empty());
        EXPECT_TRUE(fs::is_empty(desktop.path()));
    }
}

TEST_F(ResolutionTest, AnExistingPlaylistIsReplacedWhole)
{
    const fs::path playlist = desktop.path() / "520520.dpl";
    { std::ofstream(playlist, std::ios::binary) << std::string(20000, 'x'); }
    serve_page(read_file(page_fixture("plain_2lines_3qualities.html")));
    resolve(true);
    EXPECT_EQ(read_file(playlist), read_file(page_fixture("plain_2lines_3qualities.dpl")));
}

TEST_F(ResolutionTest, AFailedWriteKeepsTheOldPlaylistAndSaysSo)
{
    const fs::path playlist = desktop.path() / "520520.dpl";
    { std::ofstream(playlist, std::ios::binary) << "old playlist"; }
    // A folder where the temporary file would go makes the write fail, even for root.
    fs::create_directory(desktop.path() / "520520.dpl.part");
    serve_page(read_file(page_fixture("plain_2lines_3qualities.html")));
    resolve(true);

    EXPECT_EQ(read_file(playlist), "old playlist");
    EXPECT_TRUE(messages_starting(saved_prefix).empty()) << "no success is reported";
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_NE(view.messages[0].text.find("520520.dpl"), Text::npos) << "the message names the file";
    EXPECT_EQ(view.rows.size(), 8u) << "the list is filled all the same";
}

TEST_F(ResolutionTest, ARoomIdentifierThatIsNoFileNameWritesNothing)
{
    const std::string page = read_file(page_fixture("plain_2lines_3qualities.html"));
    for (const std::string room : {"\"../escaped\"", "\"a\\\\b\"", "\"..\"", "\".\"", "\"a\\nb\""}) {
        SCOPED_TRACE(room);
        std::string hostile = page;
        hostile.replace(hostile.find("520520"), 6, room);
        serve_page(hostile);
        view.messages.clear();
        resolve(true);

        EXPECT_TRUE(fs::is_empty(desktop.path()));
        EXPECT_FALSE(fs::exists(desktop.path().parent_path() / "escaped.dpl"));
        ASSERT_EQ(view.messages.size(), 1u);
        EXPECT_TRUE(messages_starting(saved_prefix).empty());
        EXPECT_EQ(view.rows.size(), 8u);
    }
}

TEST(StreamDescription, CutsAtTheMarkersOfBothPageForms)
{
    struct Case { Text page, expected; const char* why; };
    const Case cases[] = {
        {"x \"stream\": {\"status\":1} };y", " {\"status\":1} ", "quoted marker to the first };"},
        {"var hyPlayerConfig = {\n stream: {\"a\":1}\n};", " {\"a\":1}\n", "today's player set-up"},
        {"stream: {1};hyPlayerConfig = { stream: {2}\n};", " {2}\n", "only a stream: after the set-up"},
        {"\"stream\":{} hyPlayerConfig stream: {2}};", "{} hyPlayerConfig stream: {2}",
         "the quoted marker comes first"},
        {"hyPlayerConfig = { html5: 1 };", "", "no stream: at all"},
        {"\"stream\": {\"a\":1}", "", "no end marker"},
    };
    for (const auto& c : cases) EXPECT_EQ(cut_stream_description(c.page), c.expected) << c.why;
}

TEST(StreamDescription, UnwrapsTheBase64Form)
{
    // {"a":"中"} as UTF-8, in Base64.
    EXPECT_EQ(unwrap_stream_description(" \"eyJhIjoi5LitIn0=\" "), "{\"a\":\"\xD6\xD0\"}");
    EXPECT_EQ(unwrap_stream_description("{\"status\":200}"), "{\"status\":200}");
    EXPECT_EQ(unwrap_stream_description(""), "");
}

TEST(PlayAddress, JoinsThePiecesAsTheyAre)
{
    struct Case { Text bit_rate, expected; };
    const Case cases[] = {
        {"0", "h/s.m3u8"}, {"2000", "h/s_2000.m3u8"}, {"00", "h/s_00.m3u8"},
        {" 0", "h/s_ 0.m3u8"}, {"", "h/s_.m3u8"},
    };
    for (const auto& c : cases) EXPECT_EQ(play_address("h", "s", c.bit_rate), c.expected);
}

}  // namespace
