#include "collecting_view.h"

bool CollectingView::has_cell(int row, int column) const
{
    return row >= 0 && row < static_cast<int>(rows_.size()) && column >= 0 && column <= 2;
}

int CollectingView::list_append_row()
{
    rows_.emplace_back();
    return static_cast<int>(rows_.size()) - 1;
}

void CollectingView::list_set_cell(int row, int column, const Text& text)
{
    if (!has_cell(row, column)) return;
    rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] = text;
}

Text CollectingView::list_cell_text(int row, int column)
{
    if (!has_cell(row, column)) return {};
    return rows_[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

void CollectingView::show_message(const Text& text, int flags, const Text& caption)
{
    messages_.push_back({text, flags, caption});
}

bool is_separator_row(const ListRow& row)
{
    return row[0].empty() && row[1].empty() && row[2].empty();
}
