// Signed addresses for the rows of a resolution's list.
#pragma once

#include "room_resolution.h"

// The signed address of the list row (numbered from 0) of that resolution; the
// empty text for a separator row, a row past the list, or a line without anti-code.
Text signed_address_of_row(const ResolutionReport& report, int row, const SigningSeed& seed);
