// pelvaro-cli: the window's resolution from a terminal, with reasons for an
// empty result and machine-readable output.

#include "cli_formats.h"
#include "code_page.h"
#include "collecting_view.h"
#include "empty_list_reason.h"
#include "file_replace.h"
#include "room_resolution.h"
#include "terminal.h"

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

#ifndef PELVARO_VERSION
#define PELVARO_VERSION "0"
#endif

namespace {

enum ExitCode {
    exit_ok = 0,
    exit_usage = 2,
    exit_fetch_failed = 3,
    exit_no_description = 4,
    exit_unreadable_description = 5,
    exit_no_lines = 6,
    exit_no_qualities = 7,
    exit_write_failed = 8,
};

const char* const usage_text =
    "Usage: pelvaro-cli [options] ADDRESS\n"
    "Lists every HLS play address of a live room: line index, quality, address.\n"
    "ADDRESS is a room page address, or a bare room name or number (\"lpl\", \"520520\").\n"
    "\n"
    "Options:\n"
    "  --json               print one JSON document instead of tab-separated rows\n"
    "  --dpl FILE           also write the PotPlayer playlist to FILE\n"
    "  --dpl-desktop        also write the PotPlayer playlist to the desktop folder\n"
    "  --m3u FILE           also write an extended M3U playlist to FILE\n"
    "  --timeout SECONDS    give up on each phase of the download after this long\n"
    "  --proxy ADDRESS      download through this proxy\n"
    "  --signed             give signed addresses (they expire; players must send the Referer\n"
    "                       https://www.huya.com/) in the rows, --m3u and --dpl; --json\n"
    "                       always gives both\n"
    "  --sign-uid N         sign with this listener id instead of a random one\n"
    "  --sign-time UNIX_MS  sign as at this time (Unix milliseconds) instead of now\n"
    "  --help, --version\n"
    "\n"
    "Exit codes: 0 addresses printed; 2 usage; 3 page not fetched; 4 no stream description;\n"
    "5 description unreadable; 6 room offline (no lines); 7 no qualities; 8 a file not written.\n";

struct Arguments {
    std::string address;
    bool json = false;
    std::string dpl_file;
    bool dpl_desktop = false;
    std::string m3u_file;
    int timeout_seconds = 0;
    std::string proxy;
    bool signed_addresses = false;
    SigningSeed seed = new_signing_seed();
};

int usage_error(const std::string& message)
{
    write_error("pelvaro-cli: " + message + "\n\n" + usage_text);
    return exit_usage;
}

bool parse_seconds(const std::string& text, int& seconds)
{
    char* end = nullptr;
    const long value = std::strtol(text.c_str(), &end, 10);
    if (text.empty() || *end != '\0' || value < 1 || value > 86400) return false;
    seconds = static_cast<int>(value);
    return true;
}

bool parse_whole_number(const std::string& text, unsigned long long most,
                        unsigned long long& number)
{
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    number = std::strtoull(text.c_str(), nullptr, 10);
    return errno == 0 && number <= most;
}

bool write_file(const std::string& path, const std::string& contents)
{
    const std::filesystem::path file(std::u8string(path.begin(), path.end()));
    return replace_file_contents(file, text_to_bytes(contents));
}

// Says on standard error why nothing was found and gives the exit code for it.
int explain_empty(const ResolutionReport& report)
{
    write_error("pelvaro-cli: " + empty_list_reason_english(report) + "\n");
    switch (empty_list_cause(report)) {
        case EmptyListCause::no_description:
            return exit_no_description;
        case EmptyListCause::unreadable_description:
            return exit_unreadable_description;
        case EmptyListCause::room_offline:
            return exit_no_lines;
        case EmptyListCause::no_qualities:
        case EmptyListCause::none:  // cannot be: an address would have been found
            return exit_no_qualities;
        default:
            return exit_fetch_failed;
    }
}

int run(const Arguments& arguments)
{
    ResolutionOptions options;
    options.timeout_seconds = arguments.timeout_seconds;
    options.proxy = gbk_from_utf8(arguments.proxy);
    options.keep_playlist = !arguments.dpl_file.empty();
    if (arguments.signed_addresses) options.signed_playlist = arguments.seed;

    CollectingView view(gbk_from_utf8(arguments.address), arguments.dpl_desktop);
    const ResolutionReport report = resolve_room(view.address_text(), view, options);

    const std::vector<ListRow> rows =
        arguments.signed_addresses ? rows_with_signed_addresses(report, view.rows(), arguments.seed)
                                   : view.rows();
    const bool found = address_count(rows) > 0;
    int status = found ? exit_ok : explain_empty(report);
    if (found) {
        const std::string out =
            arguments.json ? rows_as_json(report, view.rows(), arguments.seed) : rows_as_tsv(rows);
        write_output(out);
    }
    if (arguments.signed_addresses) {
        for (std::size_t line = 0; line < report.signing_lines.size(); ++line)
            if (report.signing_lines[line].anti_code.empty())
                write_error("pelvaro-cli: stream line " + std::to_string(line + 1) +
                            " (in page order) has no anti-code; its written addresses are given\n");
    }

    for (const CollectingView::Message& message : view.messages()) {
        write_error("pelvaro-cli: " + utf8_from_gbk(message.text) + "\n");
        if (message.flags & message_icon_error) status = status ? status : exit_write_failed;
    }
    // With nothing found the files of an earlier run stay as they are.
    if (found && !arguments.dpl_file.empty() && !write_file(arguments.dpl_file, report.playlist)) {
        write_error("pelvaro-cli: could not write " + arguments.dpl_file + "\n");
        status = status ? status : exit_write_failed;
    }
    if (found && !arguments.m3u_file.empty() &&
        !write_file(arguments.m3u_file, rows_as_m3u(rows, arguments.signed_addresses))) {
        write_error("pelvaro-cli: could not write " + arguments.m3u_file + "\n");
        status = status ? status : exit_write_failed;
    }
    return status;
}

}  // namespace

int main(int argc, char** argv)
{
    Arguments arguments;
    const std::vector<std::string> given = utf8_arguments(argc, argv);
    const std::size_t count = given.size();
    for (std::size_t i = 0; i < count; ++i) {
        const std::string_view arg = given[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= count) return false;
            into = given[++i];
            return true;
        };
        std::string number;
        if (arg == "--help" || arg == "-h") {
            write_output(usage_text);
            return exit_ok;
        } else if (arg == "--version") {
            write_output(std::string("pelvaro-cli ") + PELVARO_VERSION + "\n");
            return exit_ok;
        } else if (arg == "--signed") {
            arguments.signed_addresses = true;
        } else if (arg == "--sign-uid") {
            unsigned long long uid = 0;
            if (!value(number) ||
                !parse_whole_number(number, std::numeric_limits<std::uint64_t>::max(), uid))
                return usage_error("--sign-uid needs a whole number");
            arguments.seed.uid = uid;
        } else if (arg == "--sign-time") {
            unsigned long long now_ms = 0;
            if (!value(number) ||
                !parse_whole_number(number, std::numeric_limits<std::int64_t>::max(), now_ms))
                return usage_error("--sign-time needs a whole number of Unix milliseconds");
            arguments.seed.now_ms = static_cast<std::int64_t>(now_ms);
        } else if (arg == "--json") {
            arguments.json = true;
        } else if (arg == "--dpl-desktop") {
            arguments.dpl_desktop = true;
        } else if (arg == "--dpl") {
            if (!value(arguments.dpl_file)) return usage_error("--dpl needs a file name");
        } else if (arg == "--m3u") {
            if (!value(arguments.m3u_file)) return usage_error("--m3u needs a file name");
        } else if (arg == "--proxy") {
            if (!value(arguments.proxy)) return usage_error("--proxy needs an address");
        } else if (arg == "--timeout") {
            if (!value(number) || !parse_seconds(number, arguments.timeout_seconds))
                return usage_error("--timeout needs a whole number of seconds from 1 to 86400");
        } else if (arg.size() > 1 && arg[0] == '-') {
            return usage_error("unknown option " + std::string(arg));
        } else if (arguments.address.empty()) {
            arguments.address = page_address(std::string(arg));
        } else {
            return usage_error("only one address can be given");
        }
    }
    if (arguments.address.empty()) return usage_error("no address given");
    return run(arguments);
}
