// Why a resolution left no address in the list, told the same way by every front
// end: the window in Chinese, the command line in English, both from the report.
#pragma once

#include "room_resolution.h"
#include "text_types.h"

#include <string>

enum class EmptyListCause {
    none,                    // at least one address was found
    abandoned,               // the user gave the resolution up; nothing to explain
    fetch_failed,            // no response; the report's fetch_failure says why
    http_error,              // the server answered with a status of 400 or above
    empty_page,              // a response without a body
    no_description,          // the page holds no stream description
    unreadable_description,  // the description is no readable object
    room_offline,            // the room has no stream lines
    no_qualities,            // the room has lines but offers no quality
};

// The first step, in the flow's order, that left nothing to list.
EmptyListCause empty_list_cause(const ResolutionReport& report);

// One line for the window, in code page 936, such as "页面下载失败（HTTP 404）";
// empty when there is nothing to explain (addresses were found, or abandoned).
Text empty_list_reason_chinese(const ResolutionReport& report);

// The command line's line, ASCII, such as "the page could not be fetched (HTTP 404)";
// empty when there is nothing to explain.
std::string empty_list_reason_english(const ResolutionReport& report);
