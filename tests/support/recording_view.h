// A RoomView without a window: it holds the list as plain rows, plays back a
// scripted address and check box, and records what the code under test asked
// of it (clipboard texts, message boxes, and every call in order).
#pragma once

#include "room_view.h"

#include <array>
#include <string>
#include <vector>

class RecordingView : public RoomView {
public:
    struct Message {
        Text text;
        int flags = 0;
        Text caption;
        bool operator==(const Message&) const = default;
    };
    using Row = std::array<Text, 3>;

    // Scripted answers.
    Text address;
    bool playlist = false;
    int selected_row = -1;
    bool clipboard_works = true;
    bool abandoned = false;  // what resolution_abandoned answers

    // State and records.
    std::vector<Row> rows;
    Text clipboard;                    // what the clipboard holds now
    std::vector<Text> clipboard_puts;  // every text offered, set or not
    std::vector<Message> messages;
    std::vector<std::string> calls;  // operation names, in call order
    int abandoned_questions = 0;     // resolution_abandoned is asked often; counted apart

    Text address_text() override
    {
        calls.push_back("address_text");
        return address;
    }
    bool playlist_wanted() override
    {
        calls.push_back("playlist_wanted");
        return playlist;
    }
    void list_clear() override
    {
        calls.push_back("list_clear");
        rows.clear();
        selected_row = -1;
    }
    int list_append_row() override
    {
        calls.push_back("list_append_row");
        rows.push_back({});
        return static_cast<int>(rows.size()) - 1;
    }
    void list_set_cell(int row, int column, const Text& text) override
    {
        calls.push_back("list_set_cell");
        if (valid(row, column)) rows[row][column] = text;
    }
    Text list_cell_text(int row, int column) override
    {
        calls.push_back("list_cell_text");
        return valid(row, column) ? rows[row][column] : Text();
    }
    int list_selected_row() override
    {
        calls.push_back("list_selected_row");
        return selected_row;
    }
    bool resolution_abandoned() override
    {
        ++abandoned_questions;
        return abandoned;
    }
    bool put_clipboard_text(const Text& text) override
    {
        calls.push_back("put_clipboard_text");
        clipboard_puts.push_back(text);
        if (clipboard_works) clipboard = text;
        return clipboard_works;
    }
    void show_message(const Text& text, int flags, const Text& caption) override
    {
        calls.push_back("show_message");
        messages.push_back({text, flags, caption});
    }

private:
    bool valid(int row, int column) const
    {
        return row >= 0 && row < static_cast<int>(rows.size()) && column >= 0 && column < 3;
    }
};
