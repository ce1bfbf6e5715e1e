// The room page the benchmarks serve: about 300 KB, the player set-up (3 lines,
// 5 qualities, the plain object form) among a lot of other script and markup.
#pragma once

#include <cstddef>
#include <string>

inline std::string stream_json()
{
    const char* names[] = {"蓝光20M", "蓝光8M", "蓝光4M", "超清", "流畅"};
    const int rates[] = {0, 8000, 4000, 2000, 500};
    const char* hosts[] = {"http://al.hls.example.test/src", "http://tx.hls.example.test/huyalive",
                           "http://hs.hls.example.test/src"};
    const int indexes[] = {3, 5, 14};
    std::string lines, qualities;
    for (int i = 0; i < 3; ++i)
        lines += std::string(i ? "," : "") +
                 "{\"sCdnType\":\"X\",\"sStreamName\":\"1199649734706-1199649734706-"
                 "5814780652381274112\",\"sHlsUrl\":\"" +
                 hosts[i] + "\",\"iLineIndex\":" + std::to_string(indexes[i]) + ",\"iIsMaster\":0}";
    for (int q = 0; q < 5; ++q)
        qualities += std::string(q ? "," : "") + "{\"sDisplayName\":\"" + names[q] +
                     "\",\"iBitRate\":" + std::to_string(rates[q]) + ",\"iCodecType\":0}";
    return "{\"status\":200,\"msg\":\"\",\"data\":[{\"gameLiveInfo\":{\"profileRoom\":30456807,"
           "\"nick\":\"兔兔好棒\","
           "\"live_status_text\":\"直播中\"},\"gameStreamInfoList\":[" +
           lines + "]}],\"vMultiStreamInfo\":[" + qualities + "],\"iWebDefaultBitRate\":2500}";
}

// filler_bytes of other markup before the player set-up; about 300 KB in all by default.
inline std::string room_page(std::size_t filler_bytes = 290 * 1024)
{
    std::string filler;
    while (filler.size() < filler_bytes)
        filler += "<div class=\"gift-item\" data-id=\"1234\">礼物 gift item 欢迎来到直播间</div>\n";
    return "<!DOCTYPE html><html><head><meta charset=\"utf-8\"></head><body>\n" + filler +
           "<script>\nvar hyPlayerConfig = {\n html5: 1,\n stream: " + stream_json() +
           "\n};\n</script></body></html>\n";
}
