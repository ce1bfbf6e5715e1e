// What the resolve button does: from a room page address to the list of every
// play address of the room, and the playlist file when it is wanted.
#pragma once

#include "http_request.h"
#include "room_view.h"
#include "stream_signing.h"
#include "text_types.h"

#include <optional>
#include <vector>

// What happened at each step, for callers that explain an empty result (see
// empty_list_reason.h).
struct ResolutionReport {
    enum class Form { missing, plain, base64 };

    bool abandoned = false;  // the view gave the resolution up; it changed nothing
    RequestFailure fetch_failure = RequestFailure::none;  // why no response was had
    int http_status = 0;                                  // 0 when no response was had
    int body_bytes = 0;
    Form form = Form::missing;  // missing: the page holds no stream description
    bool parsed = false;        // the description was read as a script expression
    Text room;                  // the room identifier, empty when absent
    Text nick;
    int quality_count = 0;  // below 1 when the room offers none
    int line_count = 0;     // below 1 when the room has no stream lines
    int rows = 0;           // rows put into the list, separators included
    Text playlist;          // the playlist text, when it was asked for in the options

    // What signing a row's address needs: each listed line's signing members, and
    // each listed quality's bit rate, in list order.
    std::vector<SigningLine> signing_lines;
    std::vector<Text> bit_rates;
};

// How the page is fetched, and what else a caller outside the window wants.
struct ResolutionOptions {
    int timeout_seconds = 0;     // 0: the request's default time-outs
    Text proxy;                  // empty: no proxy
    bool keep_playlist = false;  // put the playlist text into the report
    // With a seed, the kept playlist carries signed addresses (the written one for
    // a line without anti-code); the window's playlist file never does.
    std::optional<SigningSeed> signed_playlist;
};

// Fetches the page, fills the view's list with one row per stream line and
// quality (line index, quality name, address) and an empty row after each line,
// then writes the playlist when the view asks for it. Never fails: whatever
// cannot be had ends as fewer rows, down to an empty list. While it waits for
// the page and while it decodes, it lets the program handle its events
// (process_events); once the view says the resolution is abandoned, the transfer
// stops and the flow returns without touching the list or writing a playlist.
ResolutionReport resolve_room(const Text& address, RoomView& view,
                              const ResolutionOptions& options = {});
