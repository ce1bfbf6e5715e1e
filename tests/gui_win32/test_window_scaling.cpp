// The window at the display scales users have. CTest runs these tests twice: at
// 100 % in the usual prefix, and at 150 % in one whose screen has 144 dots per
// inch (PELVARO_WINE_LOGPIXELS, which also picks that prefix). The run at 100 % leaves the size of
// its client area and font for the run at 150 % to compare with.
#include "support/icon_size.h"
#include "main_window.h"

#include <gtest/gtest.h>

#include <commctrl.h>

#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

namespace {

int expected_dpi()
{
    const char* dpi = std::getenv("PELVARO_WINE_LOGPIXELS");
    return dpi ? std::atoi(dpi) : 96;
}

struct Placement {
    int x, y, width, height;
    bool operator==(const Placement&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Placement& p)
{
    return out << p.x << "," << p.y << " " << p.width << "x" << p.height;
}

// The label, the address box, the check box, the button and the list at 100 %,
// in the order the window makes them; and the list's column widths.
const Placement controls_at_100_percent[] = {
    {8, 8, 64, 24}, {80, 8, 232, 24}, {320, 8, 128, 24}, {456, 8, 80, 24}, {8, 40, 528, 324}};
const int column_widths_at_100_percent[] = {50, 80, 360};

Placement at_scale(const Placement& p, int dpi)
{
    return {MulDiv(p.x, dpi, 96), MulDiv(p.y, dpi, 96), MulDiv(p.width, dpi, 96),
            MulDiv(p.height, dpi, 96)};
}

std::vector<HWND> controls_of(HWND window)
{
    std::vector<HWND> controls;
    for (HWND child = GetWindow(window, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        controls.push_back(child);
    return controls;
}

Placement placement_in(HWND window, HWND control)
{
    RECT area{};
    GetWindowRect(control, &area);
    MapWindowPoints(nullptr, window, reinterpret_cast<POINT*>(&area), 2);
    return {area.left, area.top, area.right - area.left, area.bottom - area.top};
}

SIZE client_size(HWND window)
{
    RECT area{};
    GetClientRect(window, &area);
    return {area.right, area.bottom};
}

int font_height(HWND control)
{
    HDC dc = GetDC(control);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(control, WM_GETFONT, 0, 0)));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SelectObject(dc, old);
    ReleaseDC(control, dc);
    return metrics.tmHeight;
}

int icon_width(HWND window, WPARAM which)
{
    return icon_size(reinterpret_cast<HICON>(SendMessageW(window, WM_GETICON, which, 0))).cx;
}

// Every control and column is its size and place at 100 % times the scale.
void expect_laid_out_at(HWND window, int dpi)
{
    const std::vector<HWND> controls = controls_of(window);
    ASSERT_EQ(controls.size(), std::size(controls_at_100_percent));
    for (std::size_t i = 0; i < controls.size(); ++i)
        EXPECT_EQ(placement_in(window, controls[i]), at_scale(controls_at_100_percent[i], dpi))
            << "control " << i << " at " << dpi << " dpi";
    for (int column = 0; column < 3; ++column)
        EXPECT_EQ(SendMessageW(controls.back(), LVM_GETCOLUMNWIDTH, column, 0),
                  MulDiv(column_widths_at_100_percent[column], dpi, 96))
            << "column " << column << " at " << dpi << " dpi";
}

// Where the run at 100 % leaves its figures: client width, height, font height.
std::string measurement_file()
{
    std::string path = PELVARO_SCALING_MEASUREMENT;
    for (char& c : path)
        if (c == '/') c = '\\';
    return "Z:" + path;
}

TEST(WindowScaling, TheWindowIsLaidOutForTheScreensScale)
{
    MainWindow window;
    ASSERT_NE(window.window(), nullptr);
    EXPECT_EQ(window.dpi(), expected_dpi()) << "the program is aware of the display's scale";
    expect_laid_out_at(window.window(), window.dpi());

    RECT outer{};
    GetWindowRect(window.window(), &outer);
    EXPECT_EQ(outer.left, centred_edge(GetSystemMetrics(SM_CXSCREEN), outer.right - outer.left));
    EXPECT_EQ(outer.top, centred_edge(GetSystemMetrics(SM_CYSCREEN), outer.bottom - outer.top));
    if (window.dpi() == 96) {
        EXPECT_EQ(outer.right - outer.left, main_window_width);
        EXPECT_EQ(outer.bottom - outer.top, main_window_height);
        EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageW(controls_of(window.window())[0], WM_GETFONT, 0, 0)),
                  GetStockObject(DEFAULT_GUI_FONT));
    }
}

TEST(WindowScaling, ClientAreaAndTextGrowByTheScale)
{
    MainWindow window;
    ASSERT_NE(window.window(), nullptr);
    const SIZE client = client_size(window.window());
    const int text = font_height(controls_of(window.window())[3]);
    if (expected_dpi() == 96) {
        std::ofstream(measurement_file()) << client.cx << ' ' << client.cy << ' ' << text << '\n';
        return;
    }
    SIZE client_at_100{};
    int text_at_100 = 0;
    std::ifstream measured(measurement_file());
    if (!(measured >> client_at_100.cx >> client_at_100.cy >> text_at_100))
        GTEST_SKIP() << "the run at 100 % has left no figures to compare with";
    const double scale = window.dpi() / 96.0;
    EXPECT_NEAR(client.cx, client_at_100.cx * scale, 0.5);
    EXPECT_NEAR(client.cy, client_at_100.cy * scale, 0.5);
    EXPECT_NEAR(text, text_at_100 * scale, 1.5);
}

TEST(WindowScaling, MovingToAMonitorOfAnotherScaleLaysTheWindowOutAgain)
{
    MainWindow window;
    ASSERT_NE(window.window(), nullptr);
    HWND handle = window.window();
    const int start = window.dpi();
    const SIZE client_at_start = client_size(handle);
    const int text_at_start = font_height(controls_of(handle)[3]);

    // 125 %, 150 %, 200 %, and back where it began.
    for (const int dpi : {120, 144, 192, start}) {
        RECT suggested{40, 30, 40 + MulDiv(550, dpi, 96), 30 + MulDiv(400, dpi, 96)};
        SendMessageW(handle, WM_DPICHANGED, MAKEWPARAM(dpi, dpi), reinterpret_cast<LPARAM>(&suggested));
        EXPECT_EQ(window.dpi(), dpi);
        expect_laid_out_at(handle, dpi);
        RECT outer{};
        GetWindowRect(handle, &outer);
        EXPECT_EQ(outer.left, 40);
        EXPECT_EQ(outer.top, 30);
        const SIZE client = client_size(handle);
        EXPECT_NEAR(client.cx, client_at_start.cx * dpi / double(start), 1.0) << dpi << " dpi";
        EXPECT_NEAR(client.cy, client_at_start.cy * dpi / double(start), 1.0) << dpi << " dpi";
        EXPECT_NEAR(font_height(controls_of(handle)[3]), text_at_start * dpi / double(start), 2.0)
            << dpi << " dpi";
        EXPECT_EQ(icon_width(handle, ICON_SMALL), MulDiv(16, dpi, 96)) << dpi << " dpi";
        EXPECT_EQ(icon_width(handle, ICON_BIG), MulDiv(32, dpi, 96)) << dpi << " dpi";
    }
    EXPECT_EQ(client_size(handle).cx, client_at_start.cx);
    EXPECT_EQ(client_size(handle).cy, client_at_start.cy);
    EXPECT_EQ(font_height(controls_of(handle)[3]), text_at_start);
}

TEST(WindowScaling, AColumnTheUserWidenedStaysWideAtTheNewScale)
{
    MainWindow window;
    ASSERT_NE(window.window(), nullptr);
    HWND list = controls_of(window.window()).back();
    const int start = window.dpi();
    SendMessageW(list, LVM_SETCOLUMNWIDTH, 2, MAKELPARAM(500, 0));  // as a drag of the divider does

    RECT suggested{0, 0, 1100, 800};
    SendMessageW(window.window(), WM_DPICHANGED, MAKEWPARAM(192, 192), reinterpret_cast<LPARAM>(&suggested));
    EXPECT_NEAR(SendMessageW(list, LVM_GETCOLUMNWIDTH, 2, 0), 500 * 192 / double(start), 1.0);
    EXPECT_EQ(SendMessageW(list, LVM_GETCOLUMNWIDTH, 0, 0), MulDiv(column_widths_at_100_percent[0], 192, 96));
}

}  // namespace
