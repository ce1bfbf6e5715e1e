// Texts from the page go into line-oriented files and outputs (the playlist, the
// command's rows); what the streamer or the site put into them must stay inside
// its field.
#pragma once

#include "text_types.h"

// The text with each control character (a byte below 0x20, or 0x7F) replaced by
// one space, so that it can neither end its line nor start another. Never fails.
Text single_line_text(const Text& text);
