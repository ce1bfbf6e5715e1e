// pelvaro-cli as a user runs it: the built program against pages on a loopback server.

#include "cli_formats.h"
#include "loopback_http_server.h"
#include "page_fixtures.h"
#include "scoped_desktop.h"
#include "temp_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace {

// One argument as the shell that popen runs reads it: sh, or cmd on Windows.
std::string quoted(const std::string& argument)
{
#ifdef _WIN32
    return "\"" + argument + "\"";
#else
    return "'" + argument + "'";
#endif
}

struct CliRun {
    int exit_code = -1;
    std::string out;
    std::string err;
};

CliRun run_cli(const std::string& arguments, const std::filesystem::path& scratch)
{
    const auto err_file = scratch / "stderr.txt";
    const std::string command =
        std::string(PELVARO_CLI) + " " + arguments + " 2>" + quoted(err_file.string());
    CliRun run;
#ifdef _WIN32
    FILE* pipe = _popen(command.c_str(), "rb");
#else
    FILE* pipe = popen(command.c_str(), "r");
#endif
    if (!pipe) return run;
    char buffer[4096];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, pipe)) > 0;) run.out.append(buffer, n);
#ifdef _WIN32
    run.exit_code = _pclose(pipe);
#else
    const int status = pclose(pipe);
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
#endif
    run.err = read_file(err_file);
    return run;
}

// The fixture's expected rows as the command prints them: separators left out.
std::string expected_tsv(const std::string& fixture)
{
    std::string tsv;
    for (const Utf8Row& row : expected_rows(fixture))
        if (!row[2].empty()) tsv += row[0] + "\t" + row[1] + "\t" + row[2] + "\n";
    return tsv;
}

class CliTest : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.listening()); }

    std::string serve_fixture(const std::string& name, int status = 200)
    {
        CannedReply reply;
        reply.status = status;
        reply.body = read_file(page_fixture(name + ".html"));
        server.serve("/" + name, reply);
        return quoted(server.url("/" + name));
    }

    CliRun run(const std::string& arguments) { return run_cli(arguments, scratch.path()); }

    LoopbackHttpServer server;
    TempDir scratch;
    ScopedDesktop desktop;
};

TEST_F(CliTest, PrintsOneTabSeparatedRowPerAddress)
{
    const CliRun result = run(serve_fixture("plain_2lines_3qualities"));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out, expected_tsv("plain_2lines_3qualities"));
    EXPECT_EQ(result.err, "");
}

// The signing inputs are fixed so that the signed addresses come out the same on every run.
const std::string fixed_seed = "--sign-uid 12345678 --sign-time 1737530000000 ";
const std::string real_stream = "1199649734706-1199649734706-5814780652381274112-2399299592868-10057-A-0-1";
const std::string real_signature =
    "?wsSecret=a82d808d8f6bdffcc0d1154cf6ad862a&wsTime=68dab09e&ctype=huya_live&fs=bgct"
    "&seqid=1737542345678&u=3160493568&sdk_sid=1737530000000&t=100&ver=1&sv=2401090219&codec=264";

TEST_F(CliTest, PrintsOneJsonDocumentWithBothAddressForms)
{
    const CliRun result = run("--json " + fixed_seed + serve_fixture("real_hyplayerconfig_3lines_1quality"));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    const std::string stream = real_stream + ".m3u8";
    auto line = [&](const std::string& index, const std::string& base) {
        return "{\"line_index\":\"" + index + "\",\"streams\":[{\"quality\":\"超清\",\"address\":\"" +
               base + "/" + stream + "\",\"signed_address\":\"" + base + "/" + stream + real_signature + "\"}]}";
    };
    EXPECT_EQ(result.out,
              "{\"room\":\"30456807\",\"nick\":\"兔兔好棒\",\"lines\":[" +
              line("3", "http://al.hls.huya.com/src") + "," +
              line("5", "http://txdirect.hls.huya.com/huyalive") + "," +
              line("14", "http://hs.hls.huya.com/src") + "]}\n");
}

TEST_F(CliTest, SignedGivesSignedAddressesInEveryOutput)
{
    const auto dpl = scratch.path() / "room.dpl";
    const auto m3u = scratch.path() / "room.m3u";
    const CliRun result = run("--signed " + fixed_seed + "--dpl " + quoted(dpl.string()) + " --m3u " + quoted(m3u.string()) +
                              " " + serve_fixture("real_hyplayerconfig_3lines_1quality"));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    const std::string first = "http://al.hls.huya.com/src/" + real_stream + ".m3u8" + real_signature;
    EXPECT_EQ(result.out.substr(0, result.out.find('\n')), "3\t超清\t" + first);
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 3);

    const std::string m3u_text = read_file(m3u);
    EXPECT_EQ(m3u_text.rfind("#EXTM3U\n#EXTINF:-1,3 线 超清\n"
                             "#EXTVLCOPT:http-referrer=https://www.huya.com/\n"
                             "#EXTVLCOPT:http-user-agent=Mozilla/5.0 ", 0), 0u) << m3u_text;
    EXPECT_NE(m3u_text.find("\n" + first + "\n"), std::string::npos) << m3u_text;

    const std::string dpl_text = read_file(dpl);
    EXPECT_NE(dpl_text.find("6*file*" + first + "\r\n"), std::string::npos) << dpl_text;
    EXPECT_EQ(result.err, "");
}

TEST_F(CliTest, SignedKeepsTheWrittenAddressOfALineWithoutAntiCode)
{
    const CliRun result = run("--signed " + fixed_seed + serve_fixture("plain_2lines_3qualities"));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(result.out, expected_tsv("plain_2lines_3qualities"));
    EXPECT_NE(result.err.find("stream line 1 (in page order) has no anti-code"), std::string::npos) << result.err;
}

TEST_F(CliTest, WritesTheSamePlaylistsAsTheWindow)
{
    const auto dpl = scratch.path() / "room.dpl";
    const auto m3u = scratch.path() / "room.m3u";
    const CliRun result = run("--dpl " + quoted(dpl.string()) + " --m3u " + quoted(m3u.string()) + " --dpl-desktop " +
                              serve_fixture("plain_2lines_3qualities"));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    const std::string window_file = read_file(page_fixture("plain_2lines_3qualities.dpl"));
    EXPECT_EQ(read_file(dpl), window_file);
    EXPECT_EQ(read_file(desktop.path() / "520520.dpl"), window_file);
    const std::string m3u_text = read_file(m3u);
    EXPECT_EQ(m3u_text.rfind("#EXTM3U\n#EXTINF:-1,3 线 蓝光4M\nhttp://al.hls.example.test/src/1234-abc_4000.m3u8\n", 0), 0u)
        << m3u_text;
}

// Each address is one line of the output and of the M3U file, whatever the page
// puts into the texts around it.
TEST_F(CliTest, ControlCharactersInTextsStartNoLine)
{
    CannedReply reply;
    reply.body = page_with_control_characters();
    server.serve("/hostile", reply);
    const auto m3u = scratch.path() / "room.m3u";
    const CliRun result = run("--m3u " + quoted(m3u.string()) + " " + quoted(server.url("/hostile")));
    EXPECT_EQ(result.exit_code, 0) << result.err;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\n'), 6) << result.out;
    EXPECT_EQ(std::count(result.out.begin(), result.out.end(), '\t'), 12) << result.out;
    EXPECT_EQ(result.out.rfind("3 \t蓝光 4M \thttp://al.hls.example.test/src  /1234 abc_4000.m3u8\n", 0), 0u)
        << result.out;
    const std::string m3u_text = read_file(m3u);
    EXPECT_EQ(std::count(m3u_text.begin(), m3u_text.end(), '\n'), 13) << m3u_text;
    EXPECT_EQ(m3u_text.rfind("#EXTM3U\n#EXTINF:-1,3  线 蓝光 4M \nhttp://al.hls.example.test/src  /1234 abc_4000.m3u8\n", 0), 0u)
        << m3u_text;
}

// An offline room must not replace the files of an earlier run with empty lists.
TEST_F(CliTest, NothingFoundLeavesTheFilesAsTheyWere)
{
    const auto dpl = scratch.path() / "room.dpl";
    const auto m3u = scratch.path() / "room.m3u";
    std::ofstream(dpl, std::ios::binary) << "old dpl";
    std::ofstream(m3u, std::ios::binary) << "old m3u";
    const CliRun result = run("--dpl " + quoted(dpl.string()) + " --m3u " + quoted(m3u.string()) + " --dpl-desktop " +
                              serve_fixture("offline_no_lines"));
    EXPECT_EQ(result.exit_code, 6) << result.err;
    EXPECT_EQ(read_file(dpl), "old dpl");
    EXPECT_EQ(read_file(m3u), "old m3u");
    EXPECT_TRUE(std::filesystem::is_empty(desktop.path()));
}

TEST_F(CliTest, SaysWhyNothingWasFound)
{
    struct Case { std::string fixture; int status; int exit_code; std::string reason; };
    const Case cases[] = {
        {"no_markers", 404, 3, "HTTP 404"},
        {"no_markers", 200, 4, "no stream description"},
        {"base64_holding_status", 200, 5, "could not be read"},
        {"offline_no_lines", 200, 6, "no stream lines"},
        {"lines_without_qualities", 200, 7, "no qualities"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.fixture);
        const CliRun result = run(serve_fixture(c.fixture, c.status));
        EXPECT_EQ(result.exit_code, c.exit_code);
        EXPECT_EQ(result.out, "");
        EXPECT_NE(result.err.find(c.reason), std::string::npos) << result.err;
    }
    const CliRun refused =
        run("--timeout 2 http://127.0.0.1:" + std::to_string(unused_loopback_port()) + "/room");
    EXPECT_EQ(refused.exit_code, 3);
    EXPECT_EQ(refused.err,
              "pelvaro-cli: the page could not be fetched (could not connect to the server)\n");
}

TEST_F(CliTest, UsageErrorsExitWithTwo)
{
    for (const std::string arguments : {"", "--bogus lpl", "--timeout abc lpl", "--dpl", "a b", "--sign-uid -1 lpl",
                                        "--sign-time 1e12 lpl", "--sign-uid 99999999999999999999 lpl"}) {
        SCOPED_TRACE(arguments);
        const CliRun result = run(arguments);
        EXPECT_EQ(result.exit_code, 2);
        EXPECT_NE(result.err.find("Usage:"), std::string::npos);
    }
    EXPECT_EQ(run("--help").exit_code, 0);
    EXPECT_EQ(run("--version").exit_code, 0);
}

TEST(CliPageAddress, ABareRoomNameMeansTheRoomPage)
{
    EXPECT_EQ(page_address("lpl"), "https://www.huya.com/lpl");
    EXPECT_EQ(page_address("520520"), "https://www.huya.com/520520");
    EXPECT_EQ(page_address("www.huya.com/lpl"), "https://www.huya.com/lpl");
    EXPECT_EQ(page_address("http://127.0.0.1:8080/a"), "http://127.0.0.1:8080/a");
}

}  // namespace
