#include "copy_handler.h"

#include "support/recording_view.h"

#include <gtest/gtest.h>

namespace {

const Text copied =
    "\xB2\xA5\xB7\xC5\xB5\xD8\xD6\xB7\xD2\xD1\xBE\xAD\xB8\xB4\xD6\xC6\xB5\xBD\xBC\xF4\xC7\xD0\xB0"
    "\xE5";  // 播放地址已经复制到剪切板
const Text copy_failed =
    "\xB2\xA5\xB7\xC5\xB5\xD8\xD6\xB7\xB8\xB4\xD6\xC6\xCA\xA7\xB0\xDC";  // 播放地址复制失败
const Text notice = "\xCC\xE1\xCA\xBE";                                  // 提示

struct Case {
    const char* name;
    int selected_row;
    bool clipboard_works;
    std::vector<Text> expected_puts;
    Text expected_clipboard;
    std::vector<RecordingView::Message> expected_messages;
};

class CopyHandler : public testing::TestWithParam<Case> {};

TEST_P(CopyHandler, CopiesTheAddressCellAndSaysWhatHappened)
{
    const Case& c = GetParam();
    RecordingView view;
    view.rows = {
        {"1", "\xC0\xB6\xB9\xE2", "https://a.example/one_4000.m3u8"},  // 蓝光
        {"", "", ""},                                                  // separator
        {"2", "\xB8\xDF\xC7\xE5", "https://b.example/two.m3u8"},       // 高清
    };
    view.selected_row = c.selected_row;
    view.clipboard = "old";
    view.clipboard_works = c.clipboard_works;

    copy_selected_address(view);

    EXPECT_EQ(view.clipboard_puts, c.expected_puts);
    EXPECT_EQ(view.clipboard, c.expected_clipboard);
    EXPECT_EQ(view.messages, c.expected_messages);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, CopyHandler,
    testing::Values(
        Case{"OrdinaryRow",
             0,
             true,
             {"https://a.example/one_4000.m3u8"},
             "https://a.example/one_4000.m3u8",
             {{copied, 0x40040, notice}}},
        Case{"LastRow",
             2,
             true,
             {"https://b.example/two.m3u8"},
             "https://b.example/two.m3u8",
             {{copied, 0x40040, notice}}},
        Case{"SeparatorRowCopiesTheEmptyText", 1, true, {""}, "", {{copied, 0x40040, notice}}},
        Case{"NoSelectionDoesNothing", -1, true, {}, "old", {}},
        Case{"FailedCopyIsNotReportedAsCopied",
             0,
             false,
             {"https://a.example/one_4000.m3u8"},
             "old",
             {{copy_failed, 0x40030, notice}}}),
    [](const testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

}  // namespace
