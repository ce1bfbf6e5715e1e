// What a double-click in the list does, and the two commands of the list's
// context menu: put the selected row's play address, or a signed one made at that
// moment, on the clipboard and say so.
#pragma once

#include "room_resolution.h"
#include "room_view.h"

// Copies column 2 of the selected row to the clipboard and confirms it in a
// message box. Does nothing when no row is selected; when the clipboard cannot
// be set it shows a short failure message instead of the confirmation.
void copy_selected_address(RoomView& view);

// The context menu's commands, in menu order: the same as a double-click, and
// the signed address of the row.
Text copy_address_command();         // "复制播放地址"
Text copy_signed_address_command();  // "复制签名地址"

// True when the row of that resolution's list has a signed address to copy.
bool row_has_signed_address(const ResolutionReport& report, int row);

// Copies a signed address for the selected row, made now, and confirms it like
// a double-click. Does nothing when no row is selected or the row has none.
void copy_signed_address(RoomView& view, const ResolutionReport& report);
