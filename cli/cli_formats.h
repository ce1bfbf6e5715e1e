// The command line's output forms. All of them are UTF-8.
#pragma once

#include "collecting_view.h"
#include "room_resolution.h"
#include "stream_signing.h"

#include <string>
#include <vector>

// The page address for what the user typed: a full address as it is, an address
// without scheme over https, a bare room name or number ("lpl", "520520") as the
// room page on the site.
std::string page_address(const std::string& typed);

// One "line index TAB quality TAB address" line per address; separators left out.
// Control characters inside a cell (tabs and line breaks included) become spaces.
std::string rows_as_tsv(const std::vector<ListRow>& rows);

// An extended M3U playlist: "#EXTM3U", then "#EXTINF:-1,<line> 线 <quality>"
// before each address; control characters inside a cell become spaces. With
// player_headers, each entry also names the Referer and User-Agent a player must
// send, which signed addresses need.
std::string rows_as_m3u(const std::vector<ListRow>& rows, bool player_headers = false);

// {"room", "nick", "lines": [{"line_index", "streams": [{"quality", "address",
// "signed_address"}]}]}; the signed address is empty for a line without anti-code.
std::string rows_as_json(const ResolutionReport& report, const std::vector<ListRow>& rows,
                         const SigningSeed& seed);

// The rows with each address replaced by its signed form; a line without
// anti-code keeps its written addresses.
std::vector<ListRow> rows_with_signed_addresses(const ResolutionReport& report,
                                                std::vector<ListRow> rows, const SigningSeed& seed);

// The number of rows that hold an address.
int address_count(const std::vector<ListRow>& rows);
