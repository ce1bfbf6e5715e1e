#include "main_window.h"

#include "code_page.h"
#include "copy_handler.h"
#include "empty_list_reason.h"

#include <commctrl.h>

#include <cstring>
#include <memory>
#include <string_view>
#include <tuple>

namespace {

const wchar_t window_class[] = L"PelvaroMainWindow";
const wchar_t default_room_address[] = L"https://www.huya.com/lpl";

constexpr int column_count = 3;

enum ControlId { label_id = 100, address_id, playlist_box_id, resolve_button_id, list_id };
enum RowMenuCommand { copy_address_id = 1, copy_signed_address_id };

std::wstring wide(const Text& text)
{
    const std::u16string units = gbk_to_utf16(text);
    return {units.begin(), units.end()};
}

Text text_of(std::wstring_view wide)
{
    return utf16_to_gbk(
        std::u16string_view(reinterpret_cast<const char16_t*>(wide.data()), wide.size()));
}

struct ChildControl {
    const wchar_t* window_class;
    const wchar_t* caption;
    DWORD style;
    DWORD extended_style;
    int x, y, width, height;  // at 100 % display scale
    int id;
};

const ChildControl child_controls[] = {
    {L"STATIC", L"\u64AD\u653E\u5730\u5740\uFF1A", SS_LEFT, 0, 8, 8, 64, 24,
     label_id},  // 播放地址：
    {L"EDIT", default_room_address, ES_LEFT | ES_AUTOHSCROLL | WS_TABSTOP, WS_EX_CLIENTEDGE, 80, 8,
     232, 24, address_id},
    {L"BUTTON", L"\u751F\u6210PotPlayer\u5217\u8868",  // 生成PotPlayer列表
     BS_AUTOCHECKBOX | BS_LEFT | BS_VCENTER | BS_MULTILINE | WS_TABSTOP, 0, 320, 8, 128, 24,
     playlist_box_id},
    {L"BUTTON", L"\u89E3\u6790\u5730\u5740", BS_PUSHBUTTON | WS_TABSTOP, 0, 456, 8, 80,
     24,  // 解析地址
     resolve_button_id},
    {WC_LISTVIEWW, L"", LVS_REPORT | LVS_SINGLESEL | WS_TABSTOP, WS_EX_CLIENTEDGE, 8, 40, 528, 324,
     list_id},
};

struct Column {
    const wchar_t* title;
    int width;  // at 100 % display scale
};

const Column columns[column_count] = {{L"\u7EBF\u8DEF", 50},
                                      {L"\u6E05\u6670\u5EA6", 80},
                                      {L"\u5730\u5740", 360}};  // 线路 清晰度 地址

// Fixed frame: a title bar with system menu and minimize box, no sizing
// border, no maximize box.
constexpr DWORD window_style =
    WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;

// The client area at 100 %: the outer size less the frame at that scale.
SIZE client_size_at_100_percent()
{
    const SIZE frame = outer_size({0, 0}, window_style, 0, dpi_at_100_percent);
    return {main_window_width - frame.cx, main_window_height - frame.cy};
}

// The program's own icon drawn with the given side; null when it carries none.
HICON load_program_icon(HINSTANCE instance, int side)
{
    return static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(1), IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
}

HICON program_icon(HINSTANCE instance, int system_metric_size)
{
    if (HICON icon = load_program_icon(instance, GetSystemMetrics(system_metric_size)))
        return icon;
    return LoadIconW(nullptr, IDI_APPLICATION);
}

// The list's look and behaviour: a report with a header, one whole row selected
// at a time, grid lines, the selection hidden while the list lacks the focus.
constexpr DWORD list_extended_styles =
    LVS_EX_FULLROWSELECT | LVS_EX_GRIDLINES | LVS_EX_INFOTIP | LVS_EX_SUBITEMIMAGES;

}  // namespace

int centred_edge(int screen, int window)
{
    return (screen - window) / 2;
}

void present_message_box(const std::wstring& text, int flags, const std::wstring& caption)
{
    UINT style = static_cast<UINT>(flags);
    // Task-modal: every window of the program is disabled while the box is open.
    if (!(style & MB_SYSTEMMODAL)) style |= MB_TASKMODAL;
    MessageBoxW(nullptr, text.c_str(), caption.c_str(), style);
}

bool write_clipboard_text(HWND owner, const Text& text)
{
    const std::wstring units = wide(text);
    HGLOBAL bytes = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, text.size() + 1);
    HGLOBAL characters =
        GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, (units.size() + 1) * sizeof(wchar_t));
    if (!bytes || !characters) {
        if (bytes) GlobalFree(bytes);
        if (characters) GlobalFree(characters);
        return false;
    }
    std::memcpy(GlobalLock(bytes), text.c_str(), text.size() + 1);
    GlobalUnlock(bytes);
    std::memcpy(GlobalLock(characters), units.c_str(), (units.size() + 1) * sizeof(wchar_t));
    GlobalUnlock(characters);

    // An owner window: data set after emptying a clipboard opened without one is refused.
    if (!OpenClipboard(owner)) {
        GlobalFree(bytes);
        GlobalFree(characters);
        return false;
    }
    EmptyClipboard();
    const bool set_bytes = SetClipboardData(CF_TEXT, bytes) != nullptr;
    if (!set_bytes) GlobalFree(bytes);
    // Beside the bytes, the characters themselves, so the address pastes right
    // whatever the system's code page.
    if (!SetClipboardData(CF_UNICODETEXT, characters)) GlobalFree(characters);
    CloseClipboard();
    return set_bytes;
}

MainWindow::MainWindow() : message_presenter_(present_message_box)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    static const bool registered = [instance] {
        INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES | ICC_STANDARD_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSEXW description{};
        description.cbSize = sizeof description;
        description.lpfnWndProc = window_procedure;
        description.hInstance = instance;
        description.hIcon = program_icon(instance, SM_CXICON);
        description.hIconSm = program_icon(instance, SM_CXSMICON);
        description.hCursor = LoadCursorW(nullptr, IDC_ARROW);
        description.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        description.lpszClassName = window_class;
        return RegisterClassExW(&description) != 0;
    }();
    if (!registered) return;

    // Made at its size at 100 %, centred on the primary screen; once the window
    // knows the scale of the monitor it is on, it is laid out for that scale.
    const int left = centred_edge(GetSystemMetrics(SM_CXSCREEN), main_window_width);
    const int top = centred_edge(GetSystemMetrics(SM_CYSCREEN), main_window_height);
    CreateWindowExW(0, window_class, L"Pelvaro", window_style, left, top, main_window_width,
                    main_window_height, nullptr, nullptr, instance, this);
    if (!window_) return;
    create_controls();
    lay_out(window_dpi(window_), nullptr);
}

MainWindow::~MainWindow()
{
    if (window_) {
        SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    if (small_icon_) DestroyIcon(small_icon_);
    if (big_icon_) DestroyIcon(big_icon_);
}

void MainWindow::create_controls()
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND* handles[] = {&label_, &address_, &playlist_box_, &resolve_button_, &list_};
    for (std::size_t i = 0; i < std::size(child_controls); ++i) {
        const ChildControl& c = child_controls[i];
        *handles[i] =
            CreateWindowExW(c.extended_style, c.window_class, c.caption,
                            WS_CHILD | WS_VISIBLE | c.style, c.x, c.y, c.width, c.height, window_,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(c.id)), instance, nullptr);
    }
    SendMessageW(address_, EM_SETLIMITTEXT, 0, 0);  // no length limit

    SetWindowSubclass(list_, list_procedure, 1, reinterpret_cast<DWORD_PTR>(this));
    SendMessageW(list_, LVM_SETEXTENDEDLISTVIEWSTYLE, list_extended_styles, list_extended_styles);
    SendMessageW(list_, LVM_SETTEXTCOLOR, 0, RGB(0, 0, 0));
    SendMessageW(list_, LVM_SETTEXTBKCOLOR, 0, RGB(255, 255, 255));
    SendMessageW(list_, LVM_SETBKCOLOR, 0, RGB(255, 255, 255));
    for (int i = 0; i < column_count; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = column_widths_[i] = columns[i].width;
        column.pszText = const_cast<wchar_t*>(columns[i].title);
        column.iSubItem = i;
        SendMessageW(list_, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
}

void MainWindow::lay_out(int dpi, const POINT* top_left)
{
    auto font = std::make_unique<GuiFont>(dpi);
    const auto font_handle = reinterpret_cast<WPARAM>(font->handle());
    HWND handles[] = {label_, address_, playlist_box_, resolve_button_, list_};
    for (std::size_t i = 0; i < std::size(child_controls); ++i) {
        const ChildControl& c = child_controls[i];
        SendMessageW(handles[i], WM_SETFONT, font_handle, FALSE);
        SetWindowPos(handles[i], nullptr, scaled(c.x, dpi), scaled(c.y, dpi), scaled(c.width, dpi),
                     scaled(c.height, dpi), SWP_NOZORDER | SWP_NOACTIVATE);
        InvalidateRect(handles[i], nullptr, TRUE);
    }
    font_ = std::move(font);  // the controls no longer draw with the old one
    set_icons(dpi);
    for (int i = 0; i < column_count; ++i) {
        // A width other than the one set last was the user's doing: it is
        // carried over to the new scale too.
        const auto shown = static_cast<int>(SendMessageW(list_, LVM_GETCOLUMNWIDTH, i, 0));
        if (shown != scaled(column_widths_[i], dpi_))
            column_widths_[i] = MulDiv(shown, dpi_at_100_percent, dpi_);
        SendMessageW(list_, LVM_SETCOLUMNWIDTH, static_cast<WPARAM>(i),
                     MAKELPARAM(scaled(column_widths_[i], dpi), 0));
    }
    dpi_ = dpi;

    // The client area is what scales; the frame around it is the system's. Should
    // the frame drawn differ from the one computed, the size is corrected by the
    // difference so the controls never get clipped.
    const SIZE at_100_percent = client_size_at_100_percent();
    const SIZE client{scaled(at_100_percent.cx, dpi), scaled(at_100_percent.cy, dpi)};
    SIZE outer = outer_size(client, window_style, 0, dpi);
    constexpr UINT keep = SWP_NOZORDER | SWP_NOACTIVATE;
    SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy, keep | SWP_NOMOVE);
    RECT drawn{};
    GetClientRect(window_, &drawn);
    if (drawn.right != client.cx || drawn.bottom != client.cy) {
        outer.cx += client.cx - drawn.right;
        outer.cy += client.cy - drawn.bottom;
        SetWindowPos(window_, nullptr, 0, 0, outer.cx, outer.cy, keep | SWP_NOMOVE);
    }
    const POINT corner = top_left ? *top_left
                                  : POINT{centred_edge(GetSystemMetrics(SM_CXSCREEN), outer.cx),
                                          centred_edge(GetSystemMetrics(SM_CYSCREEN), outer.cy)};
    SetWindowPos(window_, nullptr, corner.x, corner.y, 0, 0, keep | SWP_NOSIZE);
}

void MainWindow::set_icons(int dpi)
{
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const auto& [which, size, held] : {std::tuple{ICON_SMALL, 16, &small_icon_},
                                            std::tuple{ICON_BIG, 32, &big_icon_}}) {
        const HICON icon = load_program_icon(instance, scaled(size, dpi));
        if (!icon) continue;  // no icon of our own: the class's stays
        SendMessageW(window_, WM_SETICON, which, reinterpret_cast<LPARAM>(icon));
        if (*held) DestroyIcon(*held);
        *held = icon;
    }
}

void MainWindow::show(int how)
{
    if (!window_) return;
    ShowWindow(window_, how);
    UpdateWindow(window_);
}

Text MainWindow::address_text()
{
    if (closed_ || !address_) return {};
    const int length = GetWindowTextLengthW(address_);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int copied = GetWindowTextW(address_, text.data(), length + 1);
    text.resize(static_cast<std::size_t>(copied > 0 ? copied : 0));
    return text_of(text);
}

bool MainWindow::playlist_wanted()
{
    // Once the window is closed nothing more is written.
    return !closed_ && playlist_box_ &&
           SendMessageW(playlist_box_, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void MainWindow::list_clear()
{
    if (list_) SendMessageW(list_, LVM_DELETEALLITEMS, 0, 0);
}

bool MainWindow::resolution_abandoned()
{
    return closed_;
}

void MainWindow::set_empty_list_reason(std::wstring reason)
{
    empty_list_reason_ = std::move(reason);
    if (list_) InvalidateRect(list_, nullptr, TRUE);
}

// Draws the reason, grey and centred, in what is left of the list below its rows
// (the whole area below the header when there are none), once the list has
// painted itself.
LRESULT CALLBACK MainWindow::list_procedure(HWND list, UINT message, WPARAM w, LPARAM l, UINT_PTR,
                                            DWORD_PTR data)
{
    const LRESULT result = DefSubclassProc(list, message, w, l);
    const auto* self = reinterpret_cast<const MainWindow*>(data);
    if (message != WM_PAINT || self->empty_list_reason_.empty()) return result;
    RECT area{};
    GetClientRect(list, &area);
    const int count = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    if (count > 0) {
        RECT last{};
        last.left = LVIR_BOUNDS;
        SendMessageW(list, LVM_GETITEMRECT, static_cast<WPARAM>(count - 1),
                     reinterpret_cast<LPARAM>(&last));
        area.top = last.bottom;
    } else if (HWND header = reinterpret_cast<HWND>(SendMessageW(list, LVM_GETHEADER, 0, 0))) {
        RECT header_area{};
        GetWindowRect(header, &header_area);
        area.top += header_area.bottom - header_area.top;
    }
    HDC dc = GetDC(list);
    const HGDIOBJ old_font = SelectObject(
        dc, self->font_ ? self->font_->handle() : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    if (area.bottom - area.top >= metrics.tmHeight) {
        SetTextColor(dc, GetSysColor(COLOR_GRAYTEXT));
        SetBkMode(dc, TRANSPARENT);
        DrawTextW(dc, self->empty_list_reason_.c_str(), -1, &area,
                  DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX | DT_END_ELLIPSIS);
    }
    SelectObject(dc, old_font);
    ReleaseDC(list, dc);
    return result;
}

int MainWindow::list_append_row()
{
    if (!list_) return -1;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(L"");
    return static_cast<int>(
        SendMessageW(list_, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
}

void MainWindow::list_set_cell(int row, int column, const Text& text)
{
    if (!list_ || column < 0 || column >= column_count) return;
    std::wstring units = wide(text);
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = units.data();
    SendMessageW(list_, LVM_SETITEMTEXTW, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&item));
}

Text MainWindow::list_cell_text(int row, int column)
{
    if (!list_ || column < 0 || column >= column_count) return {};
    // The list says how much it wrote, not how long the text is: grow until it fits.
    for (std::size_t size = 512;; size *= 4) {
        std::wstring buffer(size, L'\0');
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = buffer.data();
        item.cchTextMax = static_cast<int>(size);
        const auto written = static_cast<std::size_t>(SendMessageW(
            list_, LVM_GETITEMTEXTW, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(&item)));
        if (written + 1 < size || size > (1u << 24)) {
            buffer.resize(written);
            return text_of(buffer);
        }
    }
}

int MainWindow::list_selected_row()
{
    if (!list_) return -1;
    return static_cast<int>(
        SendMessageW(list_, LVM_GETNEXTITEM, static_cast<WPARAM>(-1), LVNI_SELECTED));
}

bool MainWindow::put_clipboard_text(const Text& text)
{
    return write_clipboard_text(window_, text);
}

void MainWindow::show_message(const Text& text, int flags, const Text& caption)
{
    if (message_presenter_) message_presenter_(wide(text), flags, wide(caption));
}

void MainWindow::set_resolve_action(ResolveAction action)
{
    resolve_action_ = std::move(action);
}

void MainWindow::set_message_presenter(MessagePresenter presenter)
{
    message_presenter_ = std::move(presenter);
}

void MainWindow::on_resolve_clicked()
{
    // While the flow waits for the network the window keeps handling its
    // messages; a second click arriving then is ignored, as is one during a
    // decode, rather than running a resolution inside the first.
    if (resolving_ || !resolve_action_) return;
    resolving_ = true;
    set_empty_list_reason({});  // the next resolution removes the last one's reason
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    ResolutionReport report = resolve_action_(*this);
    resolving_ = false;
    if (closed_) {
        DestroyWindow(window_);
        return;
    }
    set_empty_list_reason(wide(empty_list_reason_chinese(report)));
    last_report_ = std::move(report);
    POINT at;
    GetCursorPos(&at);
    SetCursorPos(at.x, at.y);  // lets WM_SETCURSOR put the arrow back
}

// A right-click on a row selects it and offers the double-click's copy and a
// signed address made at that moment.
void MainWindow::show_row_menu(int row)
{
    if (row < 0 || resolving_) return;
    LVITEMW selected{};
    selected.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
    selected.state = LVIS_SELECTED | LVIS_FOCUSED;
    SendMessageW(list_, LVM_SETITEMSTATE, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(&selected));

    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    AppendMenuW(menu, MF_STRING, copy_address_id, wide(copy_address_command()).c_str());
    AppendMenuW(menu, MF_STRING | (row_has_signed_address(last_report_, row) ? 0 : MF_GRAYED),
                copy_signed_address_id, wide(copy_signed_address_command()).c_str());
    POINT at{};
    GetCursorPos(&at);
    const int chosen = static_cast<int>(TrackPopupMenu(
        menu, TPM_RETURNCMD | TPM_RIGHTBUTTON | TPM_NONOTIFY, at.x, at.y, 0, window_, nullptr));
    DestroyMenu(menu);
    if (chosen == copy_address_id) copy_selected_address(*this);
    if (chosen == copy_signed_address_id) copy_signed_address(*this, last_report_);
}

LRESULT CALLBACK MainWindow::window_procedure(HWND window, UINT message, WPARAM w, LPARAM l)
{
    if (message == WM_NCCREATE) {
        auto* self = static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        self->window_ = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    return self ? self->handle(window, message, w, l) : DefWindowProcW(window, message, w, l);
}

LRESULT MainWindow::handle(HWND window, UINT message, WPARAM w, LPARAM l)
{
    switch (message) {
        case WM_COMMAND:
            if (LOWORD(w) == resolve_button_id && HIWORD(w) == BN_CLICKED) {
                on_resolve_clicked();
                return 0;
            }
            break;
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(l);
            if (header->hwndFrom == list_ && header->code == NM_DBLCLK) {
                copy_selected_address(*this);
                return 0;
            }
            if (header->hwndFrom == list_ && header->code == NM_RCLICK) {
                show_row_menu(reinterpret_cast<const NMITEMACTIVATE*>(l)->iItem);
                return 0;
            }
            break;
        }
        case WM_DPICHANGED: {
            // Moved to a monitor of another scale: laid out again at that scale,
            // where the system suggests the window goes.
            const auto* suggested = reinterpret_cast<const RECT*>(l);
            const POINT corner{suggested->left, suggested->top};
            lay_out(HIWORD(w), &corner);
            return 0;
        }
        case WM_SETCURSOR:
            if (resolving_) {
                SetCursor(LoadCursorW(nullptr, IDC_WAIT));
                return TRUE;
            }
            break;
        case WM_CLOSE:
            // A resolution still waiting for the network is abandoned at its next
            // turn (the quit check ends its wait) and writes nothing after this;
            // the window is destroyed once it has returned.
            closed_ = true;
            if (!resolving_) DestroyWindow(window);
            return 0;
        case WM_DESTROY:
            closed_ = true;
            label_ = address_ = playlist_box_ = resolve_button_ = list_ = nullptr;
            window_ = nullptr;
            PostQuitMessage(0);
            return 0;
    }
    return DefWindowProcW(window, message, w, l);
}
