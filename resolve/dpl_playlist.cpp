#include "dpl_playlist.h"

#include "code_page.h"
#include "file_replace.h"
#include "single_line_text.h"
#include "stream_line.h"
#include "text_helpers.h"

namespace {

const Text crlf = "\r\n";

std::filesystem::path file_system_path(const Text& path)
{
    const std::string utf8 = utf8_from_gbk(path);
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

}  // namespace

Text dpl_playlist_text(JsonScriptObject& document, const QualityTable& qualities, int line_count,
                       const Text& nick, int last_row, const std::optional<SigningSeed>& signing)
{
    const Text line_sign = gbk_from_utf8("线 ");
    // Every text from the page stays on its own line: a nick holding CR LF and
    // "1*file*..." must not add an entry.
    Text playlist =
        concat_text(Text("DAUMPLAYLIST"), crlf, Text("playname="), single_line_text(nick), crlf,
                    Text("topindex=0"), crlf, Text("saveplaypos=0"), crlf);
    int entry = last_row;
    for (int j = 1; j <= line_count; ++j) {
        // The lines are read from the document again rather than kept from the list.
        const StreamLine line = read_stream_line(document, j - 1);
        const SigningLine signing_line =
            signing ? read_signing_line(document, j - 1, line.hls_base, line.stream_name)
                    : SigningLine{};
        for (int k = 1; k <= qualities.count(); ++k) {
            const QualityEntry& quality = qualities.at(k);
            const Text number = number_to_text(++entry);
            Text address = play_address(line.hls_base, line.stream_name, quality.bit_rate);
            if (signing)
                address = signed_or_written(signing_line, quality.bit_rate, *signing, address);
            playlist += concat_text(number, Text("*file*"), single_line_text(address), crlf);
            playlist += concat_text(number, Text("*title*"), single_line_text(line.line_index),
                                    line_sign, single_line_text(quality.display_name), crlf);
            playlist += concat_text(number, Text("*played*1"), crlf);
        }
        playlist += crlf;
    }
    return playlist;
}

bool is_safe_playlist_name(const Text& room)
{
    if (room.empty() || room == "." || room == "..") return false;
    for (std::size_t i = 0; i < room.size(); ++i) {
        const auto byte = static_cast<unsigned char>(room[i]);
        // The second byte of a two-byte character may be 0x5C, which is no
        // backslash there.
        if (byte >= 0x80)
            ++i;
        else if (byte < 0x20 || byte == 0x7F || byte == '/' || byte == '\\')
            return false;
    }
    return true;
}

void write_dpl_playlist(JsonScriptObject& document, const QualityTable& qualities, int line_count,
                        const Text& room, const Text& nick, int last_row, RoomView& view)
{
    const Text file_name = concat_text(room, Text(".dpl"));
    const Text caption = gbk_from_utf8("信息");
    // An offline room, or a page that was not read, has nothing to list; an
    // earlier playlist of the room is worth more than an empty one.
    if (line_count < 1 || qualities.count() < 1) {
        view.show_message(gbk_from_utf8("没有可写入的播放地址，播放列表未保存"),
                          message_topmost | message_icon_information, caption);
        return;
    }
    if (room.empty()) {
        view.show_message(gbk_from_utf8("没有房间标识，播放列表未保存"),
                          message_topmost | message_icon_information, caption);
        return;
    }
    if (!is_safe_playlist_name(room)) {
        view.show_message(
            concat_text(gbk_from_utf8("播放列表未保存，房间标识不能用作文件名："), file_name),
            message_topmost | message_icon_error, caption);
        return;
    }

    // A user without a desktop folder gets one, as a file manager would make it.
    // The current folder is the program's own: a playlist never goes there.
    const Text desktop = special_folder_path(3, true);
    if (desktop.empty()) {
        view.show_message(gbk_from_utf8("找不到桌面文件夹，播放列表未保存"),
                          message_topmost | message_icon_error, caption);
        return;
    }
    const Text playlist = dpl_playlist_text(document, qualities, line_count, nick, last_row);
    const Text path = concat_text(desktop, file_name);
    if (replace_file_contents(file_system_path(path), text_to_bytes(playlist)))
        view.show_message(concat_text(gbk_from_utf8("播放列表已保存至桌面"), file_name),
                          message_topmost, caption);
    else
        view.show_message(concat_text(gbk_from_utf8("播放列表保存失败："), file_name),
                          message_topmost | message_icon_error, caption);
}
