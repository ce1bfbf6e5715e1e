// Where the stream description keeps what the flow reads.
#pragma once

#include "text_types.h"

inline const Text room_id_path = "data[0].gameLiveInfo.profileRoom";
inline const Text nick_path = "data[0].gameLiveInfo.nick";
inline const Text qualities_path = "vMultiStreamInfo";
inline const Text lines_path = "data[0].gameStreamInfoList";

// The path of a member of an array element: array + "[" + index + "]." + member.
inline Text element_member_path(const Text& array, int zero_based_index, const Text& member)
{
    return concat_text(array, Text("["), number_to_text(static_cast<double>(zero_based_index)),
                       Text("]."), member);
}
