// The PotPlayer playlist (.dpl) of a room: every play address, line by line and
// quality by quality, written to the desktop folder.
#pragma once

#include "json_script_object.h"
#include "quality_entry.h"
#include "room_view.h"
#include "stream_signing.h"
#include "text_types.h"

#include <optional>

// The playlist text (code page 936, CR LF lines). The entries are numbered on
// from last_row, the number of the list's last row, so the first carries
// last_row + 1. The lines are read again from the document. Control characters
// in the texts from the page become spaces. With a seed, each entry carries the
// signed address instead, or the written one for a line without anti-code.
Text dpl_playlist_text(JsonScriptObject& document, const QualityTable& qualities, int line_count,
                       const Text& nick, int last_row,
                       const std::optional<SigningSeed>& signing = std::nullopt);

// True when the room identifier can name a file inside the desktop folder: not
// empty, no path separator or control character (checked character by
// character, so a second byte 0x5C counts as no backslash), not "." or "..".
bool is_safe_playlist_name(const Text& room);

// Writes "<room>.dpl" into the desktop folder (made when missing), replacing an
// old one whole, and tells the user whether it was saved. Writes nothing, and
// says why, when there is no address, no usable room identifier or no desktop.
void write_dpl_playlist(JsonScriptObject& document, const QualityTable& qualities, int line_count,
                        const Text& room, const Text& nick, int last_row, RoomView& view);
