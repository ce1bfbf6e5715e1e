// The program's only window on Windows, built on the window system's own
// controls: the room address, the resolve button, the playlist check box and
// the report list of play addresses. It is the RoomView the flow and the copy
// handler work on. Every text crosses to the window system through the wide
// interfaces, converted from code page 936, so it shows right whatever the
// system's ANSI code page.
#pragma once

#include "display_scale.h"
#include "room_resolution.h"
#include "room_view.h"

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

// Shows one message box and returns when the user has closed it.
using MessagePresenter =
    std::function<void(const std::wstring& text, int flags, const std::wstring& caption)>;
// What a click on the resolve button runs; the report says why the list may be empty.
using ResolveAction = std::function<ResolutionReport(RoomView& view)>;

// Outer size of the window at 100 % display scale, frame included. At other
// scales the client area and every control are scaled, and the frame is the
// system's at that scale.
inline constexpr int main_window_width = 550;
inline constexpr int main_window_height = 400;

// Left or top edge that centres a window of the given outer size on a screen of
// the given size; the half is truncated toward zero.
int centred_edge(int screen, int window);

// The real presenter: a box without owner window, task-modal unless the flags ask
// for a system-modal one.
void present_message_box(const std::wstring& text, int flags, const std::wstring& caption);

// Puts the text on the clipboard as CF_TEXT (the code page 936 bytes as given)
// and CF_UNICODETEXT beside it, with owner as the clipboard's owner window.
// False when the clipboard cannot be opened or memory cannot be had; the old
// contents then stay.
bool write_clipboard_text(HWND owner, const Text& text);

class MainWindow : public RoomView {
public:
    MainWindow();  // creates the window, hidden; window() is null on failure
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    HWND window() const { return window_; }
    void show(int how);
    int dpi() const { return dpi_; }  // the scale the window is laid out at

    Text address_text() override;
    bool playlist_wanted() override;

    void list_clear() override;
    int list_append_row() override;
    void list_set_cell(int row, int column, const Text& text) override;
    Text list_cell_text(int row, int column) override;
    int list_selected_row() override;
    bool resolution_abandoned() override;  // the window was closed during the resolution

    bool put_clipboard_text(const Text& text) override;
    void show_message(const Text& text, int flags, const Text& caption) override;

    // The grey line in the list's empty area that says why the last resolution
    // found no address; empty when there is none. It is no row of the list.
    std::wstring empty_list_reason() const { return empty_list_reason_; }

    // Seams, wired to the real thing by default.
    void set_resolve_action(ResolveAction action);  // default: nothing
    void set_message_presenter(MessagePresenter presenter);

private:
    static LRESULT CALLBACK window_procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(HWND window, UINT message, WPARAM w, LPARAM l);
    void create_controls();
    // Sizes and places the window, its controls and the list's columns for the
    // given scale, with the window's top left corner at the given point, or
    // centred on the primary screen without one.
    void lay_out(int dpi, const POINT* top_left);
    void set_icons(int dpi);  // the title bar's and task bar's, drawn for the scale
    void on_resolve_clicked();
    void show_row_menu(int row);
    void set_empty_list_reason(std::wstring reason);
    static LRESULT CALLBACK list_procedure(HWND list, UINT message, WPARAM w, LPARAM l, UINT_PTR,
                                           DWORD_PTR self);

    HWND window_ = nullptr;
    HWND label_ = nullptr;
    HWND address_ = nullptr;
    HWND playlist_box_ = nullptr;
    HWND resolve_button_ = nullptr;
    HWND list_ = nullptr;
    int dpi_ = dpi_at_100_percent;
    std::unique_ptr<GuiFont> font_;
    HICON small_icon_ = nullptr;
    HICON big_icon_ = nullptr;
    int column_widths_[3] = {};  // at 100 %; a width the user dragged is kept

    ResolveAction resolve_action_;
    ResolutionReport last_report_;  // what the rows came from, for signing them
    MessagePresenter message_presenter_;
    bool resolving_ = false;
    bool closed_ = false;  // the user closed the window; a running resolution writes nothing
    std::wstring empty_list_reason_;
};
