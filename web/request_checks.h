// What every request object backend checks and spells the same way: header names,
// line breaks, the address as it goes on the wire, and the time limits.
#pragma once

#include "phase_timeouts.h"
#include "text_types.h"

#include <optional>
#include <string>
#include <string_view>

// True when both are the same apart from the case of ASCII letters.
bool ascii_equal_ignoring_case(std::string_view a, std::string_view b);

// True for an HTTP token (a header name, a verb): not empty, visible ASCII, no separator.
bool is_token(std::string_view text);

// True when the text holds a CR or an LF, which would end a header line early.
bool holds_line_break(std::string_view text);

// The address as it goes on the wire: UTF-8, with every byte that may not stand
// in a URL as it is (non-ASCII, spaces, control bytes) percent-encoded after the
// host part, the way a browser sends a typed address. The host is left as it is.
std::string wire_url(const Text& url);

// The limits set_timeouts asks for, -1 taken as 0 (no limit); nothing when a
// value is below -1.
std::optional<PhaseTimeouts> phase_limits(int resolve_ms, int connect_ms, int send_ms,
                                          int receive_ms);
