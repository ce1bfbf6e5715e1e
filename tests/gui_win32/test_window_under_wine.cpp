// The Windows window as a user meets it: shown by Wine on a virtual X display and
// driven with real input from xdotool (pointer and keyboard events that reach the
// window through the X server), against pages on a loopback server. The window
// runs in this process, so the test reads its list, the clipboard and the
// desktop folder directly; message boxes are recorded through the presenter seam.
#include "code_page.h"
#include "support/icon_size.h"
#include "loopback_http_server.h"
#include "main_window.h"
#include "page_fixtures.h"
#include "room_resolution.h"
#include "scoped_desktop.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

struct ShownMessage {
    std::wstring text;
    int flags;
    std::wstring caption;
};

std::wstring wide_from_utf8(const std::string& utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(), units);
    return wide;
}

std::string text_of_wide(const std::wstring& wide)
{
    return utf8_from_gbk(utf16_to_gbk(std::u16string(wide.begin(), wide.end())));
}

// Handles the window's messages for a while, as the message loop would.
void pump_for(milliseconds duration)
{
    const auto until = Clock::now() + duration;
    while (Clock::now() < until) {
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}

// Linux commands of the test machine, run through sh (Wine starts native
// programs too) while this thread goes on handling the window's messages. Wine
// cannot wait on a native process's handle, so the command leaves a mark when
// done; its files sit in a folder under /tmp, which is Z:\tmp to this program.
class NativeCommand {
public:
    explicit NativeCommand(const std::string& command)
    {
        std::filesystem::create_directories(windows_path(folder()));
        std::filesystem::remove(windows_path(folder() + "/done"));
        std::filesystem::remove(windows_path(folder() + "/out"));
        {
            std::ofstream script(windows_path(folder() + "/run.sh"), std::ios::binary);
            const char* display = std::getenv("DISPLAY");
            const char* authority = std::getenv("XAUTHORITY");
            script << "export DISPLAY='" << (display ? display : "") << "'\n";
            if (authority) script << "export XAUTHORITY='" << authority << "'\n";
            script << "( " << command << " ) > " << folder() << "/out 2>/dev/null\n";
            script << "touch " << folder() << "/done\n";
        }
        std::wstring line = wide_from_utf8("Z:\\bin\\sh " + folder() + "/run.sh");
        STARTUPINFOW startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (CreateProcessW(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                           &process)) {
            CloseHandle(process.hThread);
            CloseHandle(process.hProcess);
        }
    }

    // Handles messages until the command has ended; gives its standard output.
    std::string finish()
    {
        const auto give_up = Clock::now() + milliseconds(20000);
        while (!std::filesystem::exists(windows_path(folder() + "/done")) && Clock::now() < give_up)
            pump_for(milliseconds(10));
        pump_for(milliseconds(150));  // the input the command sent reaches the window
        return read_file(windows_path(folder() + "/out"));
    }

private:
    static std::string folder() { return "/tmp/pelvaro-window-test-" + std::to_string(GetCurrentProcessId()); }
    static std::filesystem::path windows_path(std::string path)
    {
        for (char& c : path)
            if (c == '/') c = '\\';
        return "Z:" + path;
    }
};

std::string run_native(const std::string& command)
{
    return NativeCommand(command).finish();
}

// The text the clipboard holds, as an X program pastes it.
std::string pasted() { return run_native("/usr/bin/xclip -o -selection clipboard"); }

// The longest time between two turns of the thread's message handling, seen
// through a timer that asks to run every 20 ms.
class TurnGapMeter {
public:
    TurnGapMeter()
    {
        meter() = this;
        last_ = Clock::now();
        timer_ = SetTimer(nullptr, 0, 20, [](HWND, UINT, UINT_PTR, DWORD) {
            TurnGapMeter* self = meter();
            const auto now = Clock::now();
            if (now - self->last_ > self->longest) self->longest = now - self->last_;
            self->last_ = now;
            ++self->turns;
        });
    }
    ~TurnGapMeter()
    {
        KillTimer(nullptr, timer_);
        meter() = nullptr;
    }
    Clock::duration longest{};
    int turns = 0;

private:
    static TurnGapMeter*& meter()
    {
        static TurnGapMeter* current = nullptr;
        return current;
    }
    Clock::time_point last_;
    UINT_PTR timer_ = 0;
};

class WindowUnderWine : public testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(std::getenv("DISPLAY"), nullptr) << "runs on a virtual display (xvfb-run)";
        ASSERT_TRUE(server.listening());
        ASSERT_FALSE(desktop.path().empty());
        ASSERT_NE(window.window(), nullptr);
        window.set_message_presenter([this](const std::wstring& text, int flags, const std::wstring& caption) {
            messages.push_back({text, flags, caption});
        });
        window.set_resolve_action([this](RoomView& view) {
            ++resolutions;
            const ResolutionReport report = resolve_room(view.address_text(), view);
            resolution_ended = Clock::now();
            return report;
        });
        window.show(SW_SHOW);
        pump_for(milliseconds(300));
        x_window = std::to_string(reinterpret_cast<UINT_PTR>(GetPropW(window.window(), L"__wine_x11_whole_window")));
        ASSERT_NE(x_window, "0") << "Wine shows the window on X";
    }

    // Pointer to the point of the window's client area, then a click (or two).
    void click(int x, int y, int clicks = 1)
    {
        run_native("/usr/bin/xdotool mousemove --window " + x_window + " " + std::to_string(x) + " " +
                   std::to_string(y) + " click --repeat " + std::to_string(clicks) + " --delay 80 1");
    }

    // Replaces the address box's text by typing, as a user would.
    void type_address(const std::string& address)
    {
        click(150, 20);
        run_native("/usr/bin/xdotool key --clearmodifiers End shift+Home BackSpace");
        run_native("/usr/bin/xdotool type --delay 5 '" + address + "'");
    }

    void click_resolve() { click(495, 20); }
    void click_playlist_box() { click(330, 20); }

    // The centre of a row of the list, in the window's client coordinates.
    POINT row_centre(int row)
    {
        HWND list = FindWindowExW(window.window(), nullptr, WC_LISTVIEWW, nullptr);
        RECT bounds{};
        bounds.left = LVIR_BOUNDS;
        SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&bounds));
        POINT centre{(bounds.left + 60), (bounds.top + bounds.bottom) / 2};
        MapWindowPoints(list, window.window(), &centre, 1);
        return centre;
    }

    std::vector<Utf8Row> rows()
    {
        std::vector<Utf8Row> shown;
        HWND list = FindWindowExW(window.window(), nullptr, WC_LISTVIEWW, nullptr);
        const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < count; ++row)
            shown.push_back({utf8_from_gbk(window.list_cell_text(row, 0)), utf8_from_gbk(window.list_cell_text(row, 1)),
                             utf8_from_gbk(window.list_cell_text(row, 2))});
        return shown;
    }

    // Waits, handling messages, until a resolution has ended.
    bool wait_for_resolution(int count, milliseconds limit = milliseconds(15000))
    {
        const auto until = Clock::now() + limit;
        while (Clock::now() < until) {
            if (resolutions >= count && resolution_ended.time_since_epoch().count() != 0) return true;
            pump_for(milliseconds(20));
        }
        return false;
    }

    std::string serve_fixture(const std::string& name, milliseconds delay = milliseconds(0))
    {
        CannedReply reply;
        reply.body = read_file(page_fixture(name + ".html"));
        reply.delay = delay;
        server.serve("/" + name, reply);
        return server.url("/" + name);
    }

    LoopbackHttpServer server;
    ScopedDesktop desktop;
    MainWindow window;
    std::string x_window;
    std::vector<ShownMessage> messages;
    int resolutions = 0;
    Clock::time_point resolution_ended{};
};

// clang-format off
const char* const fixture_pages[] = {
    "plain_2lines_3qualities", "base64_2lines_3qualities", "real_hyplayerconfig_3lines_1quality",
    "offline_no_lines", "lines_without_qualities", "absent_members_and_odd_bit_rates",
    "no_markers", "base64_holding_status",
};
// clang-format on

class FixturePageInTheWindow : public WindowUnderWine, public testing::WithParamInterface<const char*> {};

// Typed address, a click on the button, the ticked box: the list shows the page's
// rows and the desktop holds the playlist's exact bytes, as on Linux.
TEST_P(FixturePageInTheWindow, ShowsTheRowsAndWritesThePlaylist)
{
    const std::string name = GetParam();
    click_playlist_box();
    type_address(serve_fixture(name));
    EXPECT_EQ(window.address_text(), gbk_from_utf8(server.url("/" + name)));
    ASSERT_TRUE(window.playlist_wanted());
    click_resolve();
    ASSERT_TRUE(wait_for_resolution(1));
    pump_for(milliseconds(100));

    EXPECT_EQ(rows(), expected_rows(name));
    // A resolution without an address says why; one with addresses says nothing.
    bool has_address = false;
    for (const Utf8Row& row : rows()) has_address = has_address || !row[2].empty();
    EXPECT_EQ(window.empty_list_reason().empty(), has_address)
        << "reason: " << text_of_wide(window.empty_list_reason());
    const auto expected_playlist = page_fixture(name + ".dpl");
    if (std::filesystem::exists(expected_playlist)) {
        bool found = false;
        for (const auto& entry : std::filesystem::directory_iterator(desktop.path())) {
            if (entry.path().extension() != ".dpl") continue;
            found = true;
            EXPECT_EQ(read_file(entry.path()), read_file(expected_playlist)) << entry.path().string();
        }
        EXPECT_TRUE(found) << "a playlist on the desktop";
    }
}

INSTANTIATE_TEST_SUITE_P(Pages, FixturePageInTheWindow, testing::ValuesIn(fixture_pages));

TEST_F(WindowUnderWine, DoubleClickCopiesTheRowsAddressForEveryReader)
{
    type_address(serve_fixture("plain_2lines_3qualities"));
    click_resolve();
    ASSERT_TRUE(wait_for_resolution(1));
    const std::string address = "http://al.hls.example.test/src/1234-abc_4000.m3u8";
    ASSERT_EQ(utf8_from_gbk(window.list_cell_text(0, 2)), address);

    const POINT row = row_centre(0);
    click(row.x, row.y, 2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].text, L"\u64AD\u653E\u5730\u5740\u5DF2\u7ECF\u590D\u5236\u5230\u526A\u5207\u677F");
    EXPECT_EQ(messages[0].flags, 0x40040);
    EXPECT_EQ(messages[0].caption, L"\u63D0\u793A");  // 提示

    // The bytes as written (CF_TEXT), the characters beside them, and what an X
    // program pastes.
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE bytes = GetClipboardData(CF_TEXT);
    HANDLE characters = GetClipboardData(CF_UNICODETEXT);
    const std::string as_bytes = bytes ? static_cast<const char*>(GlobalLock(bytes)) : "";
    const std::wstring as_characters = characters ? static_cast<const wchar_t*>(GlobalLock(characters)) : L"";
    if (bytes) GlobalUnlock(bytes);
    if (characters) GlobalUnlock(characters);
    CloseClipboard();
    EXPECT_EQ(as_bytes, address);
    EXPECT_EQ(as_characters, wide_from_utf8(address));
    EXPECT_EQ(pasted(), address);
}

TEST_F(WindowUnderWine, ChineseRowsReachTheClipboardAsCharacters)
{
    // A row whose address holds Chinese: CF_UNICODETEXT carries the characters.
    window.list_clear();
    const int row = window.list_append_row();
    const Text address = gbk_from_utf8("http://a.example/\xE7\x9B\xB4\xE6\x92\xAD.m3u8");  // 直播
    window.list_set_cell(row, 2, address);
    EXPECT_EQ(window.list_cell_text(row, 2), address);
    const POINT centre = row_centre(row);
    click(centre.x, centre.y, 2);
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(pasted(), "http://a.example/\xE7\x9B\xB4\xE6\x92\xAD.m3u8");
}

// While the page is slow to come, the window keeps handling its input: a timer
// keeps firing, typed text reaches the address box, and a second click on the
// button starts nothing. The clicks and keys come while the first click's
// resolution is running, which this thread is inside of.
TEST_F(WindowUnderWine, StaysResponsiveAndIgnoresASecondClick)
{
    type_address(serve_fixture("plain_2lines_3qualities", milliseconds(2500)));
    std::string address_at_end;
    window.set_resolve_action([&](RoomView& view) {
        ++resolutions;
        const ResolutionReport report = resolve_room(view.address_text(), view);
        address_at_end = utf8_from_gbk(window.address_text());
        resolution_ended = Clock::now();
        return report;
    });
    TurnGapMeter meter;
    const std::string xdotool = "/usr/bin/xdotool ";
    NativeCommand input(xdotool + "mousemove --window " + x_window + " 495 20 click 1; sleep 0.6; " + xdotool +
                        "click 1; sleep 0.3; " + xdotool + "mousemove --window " + x_window + " 150 20 click 1; " +
                        xdotool + "key --clearmodifiers End; " + xdotool + "type --delay 5 typed");
    input.finish();
    ASSERT_TRUE(wait_for_resolution(1));
    pump_for(milliseconds(300));
    EXPECT_EQ(resolutions, 1) << "the second click was ignored";
    EXPECT_EQ(server.request_count(), 1u);
    EXPECT_NE(address_at_end.find("typed"), std::string::npos) << "typing reached the box during the resolution";
    EXPECT_LT(std::chrono::duration<double>(meter.longest).count(), 0.5) << "the longest gap between turns";
    EXPECT_EQ(rows(), expected_rows("plain_2lines_3qualities"));
}

// Closing the window while the page is slow to come abandons the transfer within
// a second, and nothing is written.
TEST_F(WindowUnderWine, ClosingDuringAResolutionAbandonsIt)
{
    click_playlist_box();
    type_address(serve_fixture("plain_2lines_3qualities", milliseconds(8000)));
    // The close button's message, sent from inside the resolution.
    static HWND closing = nullptr;
    static Clock::time_point closed_at{};
    closing = window.window();
    const UINT_PTR timer = SetTimer(nullptr, 0, 800, [](HWND, UINT, UINT_PTR id, DWORD) {
        KillTimer(nullptr, id);
        closed_at = Clock::now();
        PostMessageW(closing, WM_SYSCOMMAND, SC_CLOSE, 0);
    });
    click_resolve();
    KillTimer(nullptr, timer);
    ASSERT_TRUE(wait_for_resolution(1, milliseconds(5000)));
    EXPECT_LT(std::chrono::duration<double>(resolution_ended - closed_at).count(), 1.0);
    EXPECT_EQ(window.window(), nullptr) << "the window is gone";
    EXPECT_TRUE(std::filesystem::is_empty(desktop.path())) << "nothing written";
    EXPECT_TRUE(messages.empty());
}

}  // namespace

// A right-click on a row opens its menu, and the keyboard picks a command, as a
// user may: the written address, or a signed one made now; a separator row
// offers no signed address, so choosing it does nothing.
TEST_F(WindowUnderWine, TheRowMenuCopiesWrittenAndSignedAddresses)
{
    type_address(serve_fixture("real_hyplayerconfig_3lines_1quality"));
    click_resolve();
    ASSERT_TRUE(wait_for_resolution(1));
    const std::string written = utf8_from_gbk(window.list_cell_text(2, 2));
    ASSERT_EQ(written.rfind("http://txdirect.hls.huya.com/huyalive/", 0), 0u) << written;

    auto pick = [&](int row, const std::string& keys) {
        const POINT at = row_centre(row);
        run_native("/usr/bin/xdotool mousemove --window " + x_window + " " + std::to_string(at.x) + " " +
                   std::to_string(at.y) + " click 3 sleep 0.6 key --delay 80 " + keys);
    };
    pick(2, "Down Return");
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_EQ(messages[0].caption, L"\u63D0\u793A");  // 提示
    EXPECT_EQ(pasted(), written);
    EXPECT_EQ(window.list_selected_row(), 2) << "the right-click selects its row";

    pick(2, "Down Down Return");
    ASSERT_EQ(messages.size(), 2u);
    const std::string signed_address = pasted();
    EXPECT_EQ(signed_address.rfind(written + "?wsSecret=", 0), 0u) << signed_address;
    EXPECT_NE(signed_address.find("&ctype=huya_live&fs=bgct&seqid="), std::string::npos) << signed_address;

    pick(3, "Down Down Return Escape");
    EXPECT_EQ(messages.size(), 2u) << "a separator row has no signed address";
    EXPECT_EQ(pasted(), signed_address);
}

// The title bar and the task bar show the program's own icon, at their sizes.
TEST_F(WindowUnderWine, ShowsTheProgramIcon)
{
    const HICON standard = LoadIconW(nullptr, IDI_APPLICATION);
    for (const auto& [which, size] : {std::pair{GCLP_HICON, SM_CXICON}, std::pair{GCLP_HICONSM, SM_CXSMICON}}) {
        const auto icon = reinterpret_cast<HICON>(GetClassLongPtrW(window.window(), which));
        ASSERT_NE(icon, nullptr);
        EXPECT_NE(icon, standard);
        EXPECT_EQ(icon_size(icon).cx, GetSystemMetrics(size));
    }
}
