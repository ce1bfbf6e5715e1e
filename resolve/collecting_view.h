// A view without a window: it keeps the list's rows and the messages in memory.
// The command-line program resolves rooms through it.
#pragma once

#include "room_view.h"

#include <array>
#include <vector>

using ListRow = std::array<Text, 3>;  // line index, quality name, address

class CollectingView : public RoomView {
public:
    explicit CollectingView(Text address = {}, bool playlist_wanted = false)
        : address_(std::move(address)), playlist_wanted_(playlist_wanted)
    {
    }

    Text address_text() override { return address_; }
    bool playlist_wanted() override { return playlist_wanted_; }
    void list_clear() override { rows_.clear(); }
    int list_append_row() override;
    void list_set_cell(int row, int column, const Text& text) override;
    Text list_cell_text(int row, int column) override;
    int list_selected_row() override { return -1; }
    bool put_clipboard_text(const Text&) override { return false; }
    void show_message(const Text& text, int flags, const Text& caption) override;

    const std::vector<ListRow>& rows() const { return rows_; }

    struct Message {
        Text text;
        int flags;
        Text caption;
    };
    const std::vector<Message>& messages() const { return messages_; }

private:
    bool has_cell(int row, int column) const;

    Text address_;
    bool playlist_wanted_;
    std::vector<ListRow> rows_;
    std::vector<Message> messages_;
};

// True for the empty row that closes each stream line.
bool is_separator_row(const ListRow& row);
