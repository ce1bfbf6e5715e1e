#include "room_resolution.h"

#include "dpl_playlist.h"
#include "encodings.h"
#include "json_script_object.h"
#include "quality_entry.h"
#include "stream_description.h"
#include "stream_line.h"
#include "stream_paths.h"
#include "web_request.h"

#include <algorithm>

namespace {

// The counts come from the page. No room offers more than a handful of lines and
// qualities; a page that claims thousands would fill the list until memory runs
// out, so only the first ones are taken.
constexpr int most_qualities = 64;
constexpr int most_lines = 256;

// The window stays alive while the page comes: the request lets queued events
// run between its looks at the network, and stops once the view gives up.
Text fetch_page(const Text& address, const ResolutionOptions& options, RoomView& view,
                ResolutionReport& report)
{
    HttpRequest request;
    request.set_wait_hook([&view] {
        process_events();
        return !view.resolution_abandoned();
    });
    WebRequestOptions fetch;
    fetch.status = &report.http_status;
    fetch.timeout_seconds = options.timeout_seconds;
    fetch.proxy = options.proxy;
    fetch.request_object = &request;
    const Bytes body = visit_web_page(address, fetch);
    report.fetch_failure = request.failure();
    report.body_bytes = bytes_length(body);
    return utf8_to_gbk(body);
}

QualityTable read_qualities(JsonScriptObject& document, int count)
{
    QualityTable qualities;
    for (int i = 1; i <= count; ++i) {
        qualities.append(
            {document.get_text(element_member_path(qualities_path, i - 1, "sDisplayName")),
             document.get_text(element_member_path(qualities_path, i - 1, "iBitRate"))});
    }
    return qualities;
}

}  // namespace

ResolutionReport resolve_room(const Text& address, RoomView& view, const ResolutionOptions& options)
{
    ResolutionReport report;
    JsonScriptObject document;  // its engine is ready before anything is fetched

    const Text description = cut_stream_description(fetch_page(address, options, view, report));
    if (!description.empty())
        report.form = is_plain_description(description) ? ResolutionReport::Form::plain
                                                        : ResolutionReport::Form::base64;
    const Text object_text = unwrap_stream_description(description);
    // Events run only while fetching and decoding; a window closed meanwhile
    // wants nothing more: its list stays as it was and no playlist is written.
    if (view.resolution_abandoned()) {
        report.abandoned = true;
        document.destroy();
        return report;
    }
    report.parsed = document.parse(object_text);

    report.room = document.get_text(room_id_path);
    report.quality_count = std::min(document.member_count(qualities_path), most_qualities);
    const QualityTable qualities = read_qualities(document, report.quality_count);
    for (int k = 1; k <= qualities.count(); ++k)
        report.bit_rates.push_back(qualities.at(k).bit_rate);
    report.line_count = std::min(document.member_count(lines_path), most_lines);
    // The nick names a playlist of the room's lines; a room without any has none.
    if (report.line_count > 0) report.nick = document.get_text(nick_path);

    // The old rows go only now, once the new result is at hand.
    view.list_clear();
    int last_row = 0;
    for (int j = 1; j <= report.line_count; ++j) {
        const StreamLine line = read_stream_line(document, j - 1);
        report.signing_lines.push_back(
            read_signing_line(document, j - 1, line.hls_base, line.stream_name));
        for (int k = 1; k <= qualities.count(); ++k) {
            const QualityEntry& quality = qualities.at(k);
            last_row = view.list_append_row();
            view.list_set_cell(last_row, 0, line.line_index);
            view.list_set_cell(last_row, 1, quality.display_name);
            view.list_set_cell(last_row, 2,
                               play_address(line.hls_base, line.stream_name, quality.bit_rate));
        }
        last_row = view.list_append_row();  // the empty row that closes the line
    }
    report.rows = report.line_count > 0 ? last_row + 1 : 0;

    if (options.keep_playlist)
        report.playlist = dpl_playlist_text(document, qualities, report.line_count, report.nick,
                                            last_row, options.signed_playlist);
    if (view.playlist_wanted())
        write_dpl_playlist(document, qualities, report.line_count, report.room, report.nick,
                           last_row, view);
    document.destroy();
    return report;
}
