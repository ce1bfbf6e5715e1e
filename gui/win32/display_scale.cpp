#include "display_scale.h"

namespace {

// The per-monitor functions are looked up at run time, so the program still
// starts on Windows versions that lack them.
template <typename Function>
Function user32_function(const char* name)
{
    static const HMODULE user32 = GetModuleHandleW(L"user32.dll");
    if (!user32) return nullptr;
    return reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(user32, name)));
}

int screen_dpi()
{
    HDC screen = GetDC(nullptr);
    const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : dpi_at_100_percent;
    if (screen) ReleaseDC(nullptr, screen);
    return dpi > 0 ? dpi : dpi_at_100_percent;
}

}  // namespace

int scaled(int length_at_100_percent, int dpi)
{
    return MulDiv(length_at_100_percent, dpi, dpi_at_100_percent);
}

int window_dpi(HWND window)
{
    using GetDpiForWindowFunction = UINT(WINAPI*)(HWND);
    static const auto get_dpi_for_window = user32_function<GetDpiForWindowFunction>("GetDpiForWindow");
    if (get_dpi_for_window && window) {
        if (const UINT dpi = get_dpi_for_window(window)) return static_cast<int>(dpi);
    }
    return system_dpi();
}

int system_dpi()
{
    using GetDpiForSystemFunction = UINT(WINAPI*)();
    static const auto get_dpi_for_system = user32_function<GetDpiForSystemFunction>("GetDpiForSystem");
    if (get_dpi_for_system) {
        if (const UINT dpi = get_dpi_for_system()) return static_cast<int>(dpi);
    }
    return screen_dpi();
}

SIZE outer_size(SIZE client, DWORD style, DWORD extended_style, int dpi)
{
    using AdjustForDpiFunction = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
    static const auto adjust_for_dpi =
        user32_function<AdjustForDpiFunction>("AdjustWindowRectExForDpi");
    RECT frame{0, 0, client.cx, client.cy};
    if (!adjust_for_dpi ||
        !adjust_for_dpi(&frame, style, FALSE, extended_style, static_cast<UINT>(dpi)))
        AdjustWindowRectEx(&frame, style, FALSE, extended_style);
    return {frame.right - frame.left, frame.bottom - frame.top};
}

GuiFont::GuiFont(int dpi)
{
    const int system = system_dpi();
    if (dpi == system) return;
    LOGFONTW font{};
    if (!GetObjectW(GetStockObject(DEFAULT_GUI_FONT), sizeof font, &font)) return;
    font.lfHeight = MulDiv(font.lfHeight, dpi, system);
    font.lfWidth = MulDiv(font.lfWidth, dpi, system);
    own_ = CreateFontIndirectW(&font);
}

GuiFont::~GuiFont()
{
    if (own_) DeleteObject(own_);
}

HFONT GuiFont::handle() const
{
    return own_ ? own_ : static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}
