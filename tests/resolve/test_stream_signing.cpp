#include "md5_digest.h"
#include "signed_rows.h"
#include "stream_signing.h"

#include <gtest/gtest.h>

namespace {

const Text example_anti_code =
    "wsSecret=0123456789abcdef0123456789abcdef&amp;wsTime=6790a1b2&amp;"
    "fm=RFdxOEJjSjNoNkRKdDZUWV8kMF8kMV8kMl8kMw%3D%3D&amp;ctype=huya_live&amp;fs=bgct&amp;t=100";
const Text example_stream =
    "1199000000001-1199000000001-5149507503355527168-2398000000002-10057-A-0-1-imgplus";
const SigningLine example_line{"http://al.hls.huya.com/src", example_stream, "m3u8",
                               example_anti_code};
const SigningSeed example_seed{12345678, 1737530000000};

TEST(Md5Digest, GivesLowerCaseHex)
{
    EXPECT_EQ(md5_hex(""), "d41d8cd98f00b204e9800998ecf8427e");
    EXPECT_EQ(md5_hex("abc"), "900150983cd24fb0d6963f7d28e17f72");
}

TEST(StreamSigning, SignsTheWorkedExample)
{
    EXPECT_EQ(signed_play_address(example_line, "2000", example_seed),
              "http://al.hls.huya.com/src/" + example_stream +
                  ".m3u8?wsSecret=0ec9f7bb7f25a91cd1b7eb0d93565a73&wsTime=6790a1b2"
                  "&ctype=huya_live&fs=bgct&seqid=1737542345678&u=3160493568"
                  "&sdk_sid=1737530000000&ratio=2000&t=100&ver=1&sv=2401090219&codec=264");
}

TEST(StreamSigning, LeavesTheRatioOutForBitRateZero)
{
    const Text address = signed_play_address(example_line, "0", example_seed);
    EXPECT_EQ(address.find("ratio="), Text::npos);
    EXPECT_NE(address.find("&u=3160493568&sdk_sid=1737530000000&t=100&"), Text::npos);
}

TEST(StreamSigning, RefreshesAWsTimeTooCloseToNow)
{
    struct Case {
        Text ws_time;
        bool kept;
        const char* why;
    } cases[] = {
        {"6790a1b2", true, "1826 s ahead"},
        {"67909f40", true, "exactly 1200 s ahead"},
        {"67909f3f", false, "1199 s ahead"},
        {"67909990", false, "in the past"},
        {"zz", false, "not hexadecimal"},
        {"", false, "empty"},
    };
    // now / 1000 + 86400 = 1737616400 = 0x6791ec10
    for (const Case& c : cases) {
        SigningLine line = example_line;
        line.anti_code = "wsTime=" + c.ws_time + "&fm=RFdxOEJjSjNoNkRK";
        const Text address = signed_play_address(line, "2000", example_seed);
        const Text expected = "&wsTime=" + (c.kept ? c.ws_time : Text("6791ec10")) + "&";
        EXPECT_NE(address.find(expected), Text::npos) << c.why << ": " << address;
    }
    SigningLine without = example_line;
    without.anti_code = "fm=RFdxOEJjSjNoNkRK";
    EXPECT_NE(signed_play_address(without, "2000", example_seed).find("&wsTime=6791ec10&"),
              Text::npos)
        << "absent";
}

TEST(StreamSigning, KeepsTheBitsOfALargeListenerIdAbove32)
{
    const SigningSeed seed{(std::uint64_t{5} << 32) + 12345678, 1737530000000};
    const Text address = signed_play_address(example_line, "2000", seed);
    EXPECT_NE(address.find("&u=" + std::to_string((std::uint64_t{5} << 32) + 3160493568u) + "&"),
              Text::npos)
        << address;
    EXPECT_NE(address.find("&seqid=" + std::to_string(seed.uid + 1737530000000) + "&"), Text::npos);
}

TEST(StreamSigning, DefaultsCtypeAndFsAndTakesTheLinesOwnSuffix)
{
    SigningLine line = example_line;
    line.anti_code = "wsTime=6790a1b2";
    line.suffix = "flv";
    const Text address = signed_play_address(line, "2000", example_seed);
    EXPECT_EQ(address.rfind("http://al.hls.huya.com/src/" + example_stream + ".flv?", 0), 0u)
        << address;
    EXPECT_NE(address.find("&ctype=huya_live&fs=bgct&"), Text::npos) << address;
}

TEST(StreamSigning, ReadsTheFlvAntiCodeWhenTheHlsOneIsMissingAndNothingWithoutEither)
{
    JsonScriptObject document;
    ASSERT_TRUE(document.parse(
        "{\"data\":[{\"gameStreamInfoList\":["
        "{\"sHlsUrl\":\"http://b/src\",\"sStreamName\":\"s1\",\"sHlsAntiCode\":\"\","
        "\"sFlvAntiCode\":\"wsTime=6790a1b2&fm=RFdxOEJjSjNoNkRK\"},"
        "{\"sHlsUrl\":\"http://b/src\",\"sStreamName\":\"s2\",\"sHlsUrlSuffix\":\"m3u8\"}]}]}"));

    const SigningLine flv_only = read_signing_line(document, 0);
    EXPECT_EQ(flv_only.suffix, "m3u8");
    EXPECT_EQ(flv_only.anti_code, "wsTime=6790a1b2&fm=RFdxOEJjSjNoNkRK");
    EXPECT_EQ(signed_play_address(flv_only, "2000", example_seed).rfind("http://b/src/s1.m3u8?", 0),
              0u);

    const SigningLine none = read_signing_line(document, 1);
    EXPECT_EQ(none.anti_code, "");
    EXPECT_EQ(signed_play_address(none, "2000", example_seed), "");
}

TEST(StreamSigning, GeneratesListenerIdsInTheirRange)
{
    for (int i = 0; i < 20; ++i) {
        const SigningSeed seed = new_signing_seed();
        EXPECT_GE(seed.uid, 12340000u);
        EXPECT_LE(seed.uid, 12349999u);
        EXPECT_GT(seed.now_ms, 1700000000000);
    }
}

// Two lines of two qualities: rows 0-1 and 3-4 hold addresses, 2 and 5 are separators.
TEST(SignedRows, MapRowsToTheirLineAndQuality)
{
    ResolutionReport report;
    SigningLine second = example_line;
    second.hls_base = "http://b/src";
    report.signing_lines = {example_line, second};
    report.bit_rates = {"2000", "0"};
    struct Case { int row; Text expected; const char* why; } cases[] = {
        {0, signed_play_address(example_line, "2000", example_seed), "first line, first quality"},
        {1, signed_play_address(example_line, "0", example_seed), "first line, second quality"},
        {2, "", "the first line's separator"},
        {4, signed_play_address(second, "0", example_seed), "second line, second quality"},
        {5, "", "the last separator"},
        {6, "", "past the list"},
        {-1, "", "no row"},
    };
    for (const Case& c : cases) EXPECT_EQ(signed_address_of_row(report, c.row, example_seed), c.expected) << c.why;
    EXPECT_NE(cases[3].expected.find("http://b/src/"), Text::npos);
}

}  // namespace
