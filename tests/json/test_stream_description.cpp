#include "code_page.h"
#include "json_script_object.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

namespace {

// The stream description of a real room page, cut between "stream:" and "};" and
// turned into GBK the way the page body is.
Text stream_description()
{
    std::ifstream file(PELVARO_TEST_DATA "/json/stream_hyplayerconfig_3lines.json", std::ios::binary);
    std::ostringstream utf8;
    utf8 << file.rdbuf();
    return gbk_from_utf8(utf8.str());
}

}  // namespace

TEST(StreamDescription, ReadByTheResolutionPaths)
{
    const Text description = stream_description();
    ASSERT_FALSE(description.empty());

    JsonScriptObject da;
    ASSERT_TRUE(da.parse(description));
    EXPECT_EQ(da.get_text("data[0].gameLiveInfo.profileRoom"), "30456807");
    EXPECT_EQ(da.get_text("data[0].gameLiveInfo.nick"), "\xCD\xC3\xCD\xC3\xBA\xC3\xB0\xF4");
    EXPECT_EQ(da.member_count("vMultiStreamInfo"), 1);
    EXPECT_EQ(da.get_text("vMultiStreamInfo[0].sDisplayName"), "\xB3\xAC\xC7\xE5");
    EXPECT_EQ(da.get_text("vMultiStreamInfo[0].iBitRate"), "0");

    struct Line { Text hls_base; Text index; };
    const Line lines[] = {
        {"http://al.hls.huya.com/src", "3"},
        {"http://txdirect.hls.huya.com/huyalive", "5"},
        {"http://hs.hls.huya.com/src", "14"},
    };
    ASSERT_EQ(da.member_count("data[0].gameStreamInfoList"), 3);
    for (int i = 0; i < 3; ++i) {
        const Text line = "data[0].gameStreamInfoList[" + std::to_string(i) + "].";
        EXPECT_EQ(da.get_text(line + "sHlsUrl"), lines[i].hls_base);
        EXPECT_EQ(da.get_text(line + "iLineIndex"), lines[i].index);
        EXPECT_EQ(da.get_text(line + "sStreamName"),
                  "1199649734706-1199649734706-5814780652381274112-2399299592868-10057-A-0-1");
    }
    EXPECT_EQ(da.get_text("data[0].gameStreamInfoList[3].sHlsUrl"), "") << "past the last line";
    da.destroy();
}
