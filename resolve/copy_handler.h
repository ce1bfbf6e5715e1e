// What a double-click in the list does: put the selected row's play address on
// the clipboard and say so.
#pragma once

#include "room_view.h"

// Copies column 2 of the selected row to the clipboard and confirms it in a
// message box. Does nothing when no row is selected; when the clipboard cannot
// be set it shows a short failure message instead of the confirmation.
void copy_selected_address(RoomView& view);
