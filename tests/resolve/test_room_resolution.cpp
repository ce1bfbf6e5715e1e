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
const Text nothing_to_save = gbk_from_utf8("没有可写入的播放地址，播放列表未保存");

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
    const char* dpl;   // the playlist's exact bytes; null: no address, so no file at all
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
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].caption, gbk_from_utf8("信息"));
    if (page.dpl) {
        const fs::path playlist = desktop.path() / (std::string(page.room) + ".dpl");
        EXPECT_EQ(read_file(playlist), read_file(page_fixture(page.dpl)));
        EXPECT_EQ(view.messages[0].text, saved_prefix + page.room + ".dpl");
        EXPECT_EQ(view.messages[0].flags, 0x40000);
    } else {
        // An offline room or a page that was not read must not replace a full
        // playlist with an empty one.
        EXPECT_TRUE(fs::is_empty(desktop.path()));
        EXPECT_EQ(view.messages[0].text, nothing_to_save);
        EXPECT_EQ(view.messages[0].flags, message_topmost | message_icon_information);
    }
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
    {"braces_in_texts_and_members_after_stream", "520520", "plain_2lines_3qualities.dpl"},
    {"real_hyplayerconfig_3lines_1quality", "30456807", "real_hyplayerconfig_3lines_1quality.dpl"},
    {"absent_members_and_odd_bit_rates", "520520", "absent_members_and_odd_bit_rates.dpl"},
    {"offline_no_lines", "520520", nullptr},
    {"lines_without_qualities", "520520", nullptr},
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
    EXPECT_EQ(view.messages[0].text, gbk_from_utf8("播放列表保存失败：520520.dpl"));
    EXPECT_EQ(view.messages[0].flags, message_topmost | message_icon_error);
    EXPECT_EQ(view.messages[0].caption, gbk_from_utf8("信息"));
    EXPECT_FALSE(fs::exists(desktop.path() / "520520.dpl.part" / "520520.dpl"));
    EXPECT_EQ(view.rows.size(), 8u) << "the list is filled all the same";
}

TEST_F(ResolutionTest, NothingToWriteKeepsTheOldPlaylist)
{
    const fs::path playlist = desktop.path() / "520520.dpl";
    { std::ofstream(playlist, std::ios::binary) << "full playlist"; }
    serve_page(read_file(page_fixture("offline_no_lines.html")));
    resolve(true);
    view.playlist = true;
    resolve_room("http://127.0.0.1:" + std::to_string(unused_loopback_port()) + "/room", view);

    EXPECT_EQ(read_file(playlist), "full playlist");
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(desktop.path())) files.push_back(entry.path());
    EXPECT_EQ(files, std::vector<fs::path>{playlist}) << "no \".dpl\" for the failed fetch";
    const RecordingView::Message why = {nothing_to_save, message_topmost | message_icon_information,
                                        gbk_from_utf8("信息")};
    EXPECT_EQ(view.messages, (std::vector<RecordingView::Message>{why, why}));
}

TEST_F(ResolutionTest, AMissingDesktopFolderIsMade)
{
    const fs::path missing = desktop.path() / "home" / "Desktop";
    ScopedEnv missing_desktop("XDG_DESKTOP_DIR", missing.string());
    serve_page(read_file(page_fixture("plain_2lines_3qualities.html")));
    resolve(true);
    EXPECT_EQ(read_file(missing / "520520.dpl"), read_file(page_fixture("plain_2lines_3qualities.dpl")));
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(view.messages[0].text, saved_prefix + "520520.dpl");
}

TEST_F(ResolutionTest, ADesktopThatCannotBeHadWritesNowhere)
{
    const fs::path in_current_folder = fs::current_path() / "520520.dpl";
    ASSERT_FALSE(fs::exists(in_current_folder));
    { std::ofstream(desktop.path() / "a-file") << "x"; }
    struct Case { fs::path desktop; const char* why; };
    const Case cases[] = {
        {desktop.path() / "a-file" / "Desktop", "a file stands where a folder would be made"},
        {desktop.path() / "\xF0\x9F\x98\x80", "a name code page 936 cannot spell"},
    };
    serve_page(read_file(page_fixture("plain_2lines_3qualities.html")));
    for (const Case& c : cases) {
        ScopedEnv unusable_desktop("XDG_DESKTOP_DIR", c.desktop.string());
        view.messages.clear();
        resolve(true);

        const bool strayed = fs::exists(in_current_folder);
        fs::remove(in_current_folder);
        EXPECT_FALSE(strayed) << c.why;
        EXPECT_FALSE(fs::exists(c.desktop)) << c.why;
        ASSERT_EQ(view.messages.size(), 1u) << c.why;
        EXPECT_EQ(view.messages[0].text, gbk_from_utf8("找不到桌面文件夹，播放列表未保存")) << c.why;
        EXPECT_EQ(view.messages[0].flags, message_topmost | message_icon_error) << c.why;
        EXPECT_EQ(view.rows.size(), 8u) << c.why;
    }
}

// An address is one line of the playlist file; text from the page must not
// start another. The list shows the texts as they were read.
TEST_F(ResolutionTest, ControlCharactersInTextsStartNoPlaylistLine)
{
    serve_page(page_with_control_characters());
    resolve(true);

    Text expected = read_file(page_fixture("plain_2lines_3qualities.dpl"));
    const std::pair<std::string, std::string> mended[] = {
        {"playname=测试主播", "playname=x  1*file*http://elsewhere/x.m3u8"},
        {"src/1234-abc", "src  /1234 abc"},
        {"*title*3线", "*title*3 线"},
        {"蓝光4M", "蓝光 4M "},
    };
    for (const auto& [from, to] : mended) {
        const Text gbk_from = gbk_from_utf8(from);
        for (std::size_t at; (at = expected.find(gbk_from)) != Text::npos;)
            expected.replace(at, gbk_from.size(), gbk_from_utf8(to));
    }
    EXPECT_EQ(read_file(desktop.path() / "520520.dpl"), expected);

    ASSERT_EQ(view.rows.size(), 8u);
    EXPECT_EQ(view.rows[0][0], "3\n");
    EXPECT_EQ(view.rows[0][1], gbk_from_utf8("蓝光\t4M\x7F"));
    EXPECT_EQ(view.rows[0][2], "http://al.hls.example.test/src\r\n/1234\x01" "abc_4000.m3u8");
}

TEST_F(ResolutionTest, RoomIdentifiersThatNameTheirFile)
{
    const std::string page = read_file(page_fixture("plain_2lines_3qualities.html"));
    struct Case { std::string json; std::string room; const char* why; };
    const Case cases[] = {
        {"12345678901234", "12345678901234", "a long room number keeps every digit"},
        {"\"乗房\"", "乗房", "0x5C is the second byte of 乗 in code page 936, no backslash"},
    };
    for (const Case& c : cases) {
        std::string named = page;
        named.replace(named.find("520520"), 6, c.json);
        serve_page(named);
        view.messages.clear();
        const ResolutionReport report = resolve(true);

        EXPECT_EQ(utf8_from_gbk(report.room), c.room) << c.why;
        const fs::path file = desktop.path() / fs::path(std::u8string(c.room.begin(), c.room.end()) + u8".dpl");
        EXPECT_EQ(read_file(file), read_file(page_fixture("plain_2lines_3qualities.dpl"))) << c.why;
        ASSERT_EQ(view.messages.size(), 1u) << c.why;
        EXPECT_EQ(view.messages[0].text, saved_prefix + report.room + ".dpl") << c.why;
    }
}

// A page may claim any number of lines and qualities; only the first 256 lines
// and 64 qualities are taken.
TEST_F(ResolutionTest, TheCountsFromThePageAreCapped)
{
    auto page = [](int lines, int qualities) {
        std::string json = "{\"status\":200,\"data\":[{\"gameLiveInfo\":{\"profileRoom\":1},"
                           "\"gameStreamInfoList\":[";
        for (int j = 0; j < lines; ++j)
            json += std::string(j ? "," : "") + "{\"sStreamName\":\"s\",\"sHlsUrl\":\"h\",\"iLineIndex\":" +
                    std::to_string(j) + "}";
        json += "]}],\"vMultiStreamInfo\":[";
        for (int k = 0; k < qualities; ++k)
            json += std::string(k ? "," : "") + "{\"sDisplayName\":\"q\",\"iBitRate\":" +
                    std::to_string(k) + "}";
        return "<script>var x = {\"stream\":" + json + "]}};</script>";
    };
    struct Case { int lines, qualities; std::size_t rows; };
    const Case cases[] = {{300, 1, 256 * 2}, {1, 70, 64 + 1}, {256, 1, 256 * 2}};
    for (const Case& c : cases) {
        serve_page(page(c.lines, c.qualities));
        const ResolutionReport report = resolve();
        EXPECT_EQ(view.rows.size(), c.rows) << c.lines << " lines, " << c.qualities << " qualities";
        EXPECT_EQ(report.rows, static_cast<int>(c.rows));
    }
}

// The old rows stay on show while the page is fetched and read.
TEST_F(ResolutionTest, TheListIsClearedOnlyOnceThePageIsRead)
{
    struct ClearWatcher : RecordingView {
        LoopbackHttpServer* server = nullptr;
        std::size_t requests_when_cleared = 0;
        void list_clear() override
        {
            requests_when_cleared = server->request_count();
            RecordingView::list_clear();
        }
    } watcher;
    watcher.server = &server;
    serve_page(read_file(page_fixture("plain_2lines_3qualities.html")));
    resolve_room(server.url("/room"), watcher);
    EXPECT_EQ(watcher.requests_when_cleared, 1u);
    EXPECT_EQ(std::count(watcher.calls.begin(), watcher.calls.end(), "list_clear"), 1);
}

TEST_F(ResolutionTest, ARoomIdentifierThatIsNoFileNameWritesNothing)
{
    const std::string page = read_file(page_fixture("plain_2lines_3qualities.html"));
    // The empty identifier would make a hidden ".dpl".
    for (const std::string room : {"\"../escaped\"", "\"a\\\\b\"", "\"..\"", "\".\"", "\"a\\nb\"", "\"\""}) {
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
        {"\"stream\":{} hyPlayerConfig stream: {2}};", "{}", "the quoted marker comes first"},
        {"hyPlayerConfig = { html5: 1 };", "", "no stream: at all"},
        {"\"stream\": {\"a\":1}", "", "no end marker"},
        {"\"stream\":\"e30=\"};", "\"e30=\"", "the Base64 form is cut as before"},
    };
    for (const auto& c : cases) EXPECT_EQ(cut_stream_description(c.page), c.expected) << c.why;
}

// The streamer chooses the nick and the title, and the page may hold more
// members after the description: an object ends at its own closing brace.
TEST(StreamDescription, AnObjectEndsAtItsClosingBrace)
{
    struct Case { Text page, expected; const char* why; };
    const Case cases[] = {
        {"\"stream\": {\"nick\":\"a};b\"} };", " {\"nick\":\"a};b\"} ", "}; inside a text"},
        {"\"stream\":{\"t\":\"say \\\"};\\\" {\"}};", "{\"t\":\"say \\\"};\\\" {\"}",
         "an escaped quote does not end the text"},
        {"\"stream\":{\"t\":\"a\\\\\"}};", "{\"t\":\"a\\\\\"}", "an escaped backslash does"},
        {"\"stream\":{\"t\":\"\x81\x5C\"}};", "{\"t\":\"\x81\x5C\"}",
         "0x5C as the second byte of a character is no escape"},
        {"\"stream\":{\"a\":{\"b\":[1,{}]}},\"c\":{\"d\":2}};", "{\"a\":{\"b\":[1,{}]}}",
         "a member after the description"},
        {"x = {\n  hyPlayerConfig: 1,\n  stream: {\"s\":\"};\"}\n};", " {\"s\":\"};\"}\n",
         "the player set-up form too; blanks before the end marker stay, as before"},
        {"\"stream\":{\"a\":{\"b\":1 };", "{\"a\":{\"b\":1 ", "no closing brace: cut at the end marker"},
        {"\"stream\":{\"a\":\"};\"}", "", "no end marker after the object"},
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
