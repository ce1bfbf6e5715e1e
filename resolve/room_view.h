// What the resolution flow and the copy handler need of the window. MainWindow
// implements it with Qt; tests implement it with a recorder, so the flow runs
// without a display. Every Text is code page 936.
#pragma once

#include "text_types.h"

// Flags understood by show_message, as MessageBox takes them: an icon field, and
// how the box stands among the program's windows.
inline constexpr int message_icon_mask = 0xF0;
inline constexpr int message_icon_error = 0x10;
inline constexpr int message_icon_question = 0x20;
inline constexpr int message_icon_warning = 0x30;
inline constexpr int message_icon_information = 0x40;
inline constexpr int message_system_modal = 0x1000;
inline constexpr int message_task_modal = 0x2000;
inline constexpr int message_topmost = 0x40000;

class RoomView {
public:
    virtual ~RoomView() = default;

    virtual Text address_text() = 0;     // the text of the address box
    virtual bool playlist_wanted() = 0;  // the playlist check box is ticked

    // The list has rows numbered from 0 and three columns: line, quality, address.
    virtual void list_clear() = 0;
    virtual int list_append_row() = 0;  // gives the new row's number
    virtual void list_set_cell(int row, int column, const Text& text) = 0;
    virtual Text list_cell_text(int row, int column) = 0;  // empty for a missing cell
    virtual int list_selected_row() = 0;                   // -1 when none is selected

    // True once the user has given the running resolution up (the window was
    // closed): the flow stops at once and changes nothing more.
    virtual bool resolution_abandoned() { return false; }

    virtual bool put_clipboard_text(const Text& text) = 0;  // false when it could not be set
    // Modal; returns when the user closes the box.
    virtual void show_message(const Text& text, int flags, const Text& caption) = 0;
};
