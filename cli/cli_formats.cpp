#include "cli_formats.h"

#include "code_page.h"
#include "signed_rows.h"
#include "single_line_text.h"

#include <cstdio>

namespace {

std::string json_string(const Text& text)
{
    std::string quoted = "\"";
    for (unsigned char c : utf8_from_gbk(text)) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                if (c < 0x20) {
                    char escape[8];
                    std::snprintf(escape, sizeof escape, "\\u%04x", c);
                    quoted += escape;
                } else {
                    quoted += static_cast<char>(c);
                }
        }
    }
    return quoted + "\"";
}

// One cell of a line-oriented output: a tab or line break from the page would
// shift the columns or start a line of its own.
std::string field(const Text& cell)
{
    return utf8_from_gbk(single_line_text(cell));
}

}  // namespace

std::string page_address(const std::string& typed)
{
    if (typed.find("://") != std::string::npos) return typed;
    if (typed.find_first_of("./") != std::string::npos) return "https://" + typed;
    return "https://www.huya.com/" + typed;
}

int address_count(const std::vector<ListRow>& rows)
{
    int count = 0;
    for (const ListRow& row : rows) count += is_separator_row(row) ? 0 : 1;
    return count;
}

std::string rows_as_tsv(const std::vector<ListRow>& rows)
{
    std::string out;
    for (const ListRow& row : rows) {
        if (is_separator_row(row)) continue;
        out += field(row[0]) + "\t" + field(row[1]) + "\t" + field(row[2]) + "\n";
    }
    return out;
}

std::string rows_as_m3u(const std::vector<ListRow>& rows, bool player_headers)
{
    // The CDNs refuse a signed address to a client that does not look like the
    // site's own player in a browser.
    const std::string headers =
        player_headers ? "#EXTVLCOPT:http-referrer=" + std::string(signing_referer) + "\n" +
                             "#EXTVLCOPT:http-user-agent=" + browser_user_agent + "\n"
                       : "";
    std::string out = "#EXTM3U\n";
    for (const ListRow& row : rows) {
        if (is_separator_row(row)) continue;
        out += "#EXTINF:-1," + field(row[0]) + " 线 " + field(row[1]) + "\n";
        out += headers + field(row[2]) + "\n";
    }
    return out;
}

std::vector<ListRow> rows_with_signed_addresses(const ResolutionReport& report,
                                                std::vector<ListRow> rows, const SigningSeed& seed)
{
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const Text signed_address = signed_address_of_row(report, static_cast<int>(row), seed);
        if (!signed_address.empty()) rows[row][2] = signed_address;
    }
    return rows;
}

std::string rows_as_json(const ResolutionReport& report, const std::vector<ListRow>& rows,
                         const SigningSeed& seed)
{
    // Each stream line's rows end with a separator row; a line without qualities
    // is that separator alone.
    std::string lines;
    std::string streams;
    Text line_index;
    for (std::size_t number = 0; number < rows.size(); ++number) {
        const ListRow& row = rows[number];
        if (!is_separator_row(row)) {
            line_index = row[0];
            const Text signed_address =
                signed_address_of_row(report, static_cast<int>(number), seed);
            streams += std::string(streams.empty() ? "" : ",") +
                       "{\"quality\":" + json_string(row[1]) +
                       ",\"address\":" + json_string(row[2]) +
                       ",\"signed_address\":" + json_string(signed_address) + "}";
            continue;
        }
        lines += std::string(lines.empty() ? "" : ",") +
                 "{\"line_index\":" + json_string(line_index) + ",\"streams\":[" + streams + "]}";
        streams.clear();
        line_index.clear();
    }
    return "{\"room\":" + json_string(report.room) + ",\"nick\":" + json_string(report.nick) +
           ",\"lines\":[" + lines + "]}\n";
}
