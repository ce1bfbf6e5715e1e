#include "copy_handler.h"

namespace {

constexpr int address_column = 2;

// "播放地址已经复制到剪切板"
const Text copied_text =
    "\xB2\xA5\xB7\xC5\xB5\xD8\xD6\xB7\xD2\xD1\xBE\xAD\xB8\xB4\xD6\xC6\xB5\xBD\xBC\xF4\xC7\xD0\xB0"
    "\xE5";
// "播放地址复制失败"
const Text copy_failed_text = "\xB2\xA5\xB7\xC5\xB5\xD8\xD6\xB7\xB8\xB4\xD6\xC6\xCA\xA7\xB0\xDC";
// "提示"
const Text notice_caption = "\xCC\xE1\xCA\xBE";

}  // namespace

void copy_selected_address(RoomView& view)
{
    const int row = view.list_selected_row();
    if (row < 0) return;

    // A separator row copies the empty text; that still counts as a copy.
    const Text address = view.list_cell_text(row, address_column);
    if (view.put_clipboard_text(address)) {
        view.show_message(copied_text, message_icon_information | message_topmost, notice_caption);
    } else {
        // Claiming success here would leave the user pasting an old address.
        view.show_message(copy_failed_text, message_icon_warning | message_topmost, notice_caption);
    }
}
