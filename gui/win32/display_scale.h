// Display scaling: the dots per inch a window is drawn at, and the window's
// sizes and font at that scale. Windows 10 and later give each monitor its own
// figure; older versions have one for the whole system, which is what these
// functions give there.
#pragma once

#include <windows.h>

inline constexpr int dpi_at_100_percent = 96;

// A length given at 100 % as drawn at the given dots per inch, rounded to the
// nearest pixel.
int scaled(int length_at_100_percent, int dpi);

int window_dpi(HWND window);
int system_dpi();

// The outer size of a window of the given styles whose client area has the
// given size, with the frame drawn at the given dots per inch.
SIZE outer_size(SIZE client, DWORD style, DWORD extended_style, int dpi);

// The system's default GUI font at the given dots per inch. The stock font is
// made for the system's figure, so at that figure it is the stock font itself.
class GuiFont {
public:
    explicit GuiFont(int dpi);
    ~GuiFont();
    GuiFont(const GuiFont&) = delete;
    GuiFont& operator=(const GuiFont&) = delete;

    HFONT handle() const;

private:
    HFONT own_ = nullptr;  // null: the stock font
};
