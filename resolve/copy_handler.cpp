#include "copy_handler.h"

#include "code_page.h"
#include "signed_rows.h"

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

void copy_to_clipboard(RoomView& view, const Text& address)
{
    if (view.put_clipboard_text(address)) {
        view.show_message(copied_text, message_icon_information | message_topmost, notice_caption);
    } else {
        // Claiming success here would leave the user pasting an old address.
        view.show_message(copy_failed_text, message_icon_warning | message_topmost, notice_caption);
    }
}

}  // namespace

void copy_selected_address(RoomView& view)
{
    const int row = view.list_selected_row();
    if (row < 0) return;
    // A separator row copies the empty text; that still counts as a copy.
    copy_to_clipboard(view, view.list_cell_text(row, address_column));
}

Text copy_address_command()
{
    return gbk_from_utf8("复制播放地址");
}

Text copy_signed_address_command()
{
    return gbk_from_utf8("复制签名地址");
}

bool row_has_signed_address(const ResolutionReport& report, int row)
{
    return !signed_address_of_row(report, row, SigningSeed{}).empty();
}

void copy_signed_address(RoomView& view, const ResolutionReport& report)
{
    const Text address =
        signed_address_of_row(report, view.list_selected_row(), new_signing_seed());
    if (!address.empty()) copy_to_clipboard(view, address);
}
