// The stream description as the flow reads it: parsed into a document (a script
// engine evaluates it, under a short time budget and a small memory cap here),
// then read by the paths the flow uses.
#include "fuzz_support.h"

#include "json_script_object.h"
#include "stream_paths.h"

#include <algorithm>

namespace {

// A count read from the document decides how many elements are read next; a few
// are enough to reach every kind of read.
constexpr int elements_read = 4;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const Text description = text_from(data, size);
    ScriptLimits limits;
    limits.time_budget = std::chrono::milliseconds(100);
    limits.memory_cap = std::size_t{16} << 20;
    limits.engine_budget = std::chrono::milliseconds(1000);
    JsonScriptObject document(limits);
    const bool parsed = document.parse(description);

    (void)document.get_text(room_id_path);
    (void)document.get_text(nick_path);
    const int qualities = document.member_count(qualities_path);
    FUZZ_CHECK(qualities >= -2);
    for (int i = 0; i < std::min(qualities, elements_read); ++i) {
        (void)document.get_text(element_member_path(qualities_path, i, "sDisplayName"));
        (void)document.get_text(element_member_path(qualities_path, i, "iBitRate"));
    }
    const int lines = document.member_count(lines_path);
    FUZZ_CHECK(lines >= -2);
    for (int j = 0; j < std::min(lines, elements_read); ++j) {
        (void)document.get_text(element_member_path(lines_path, j, "sStreamName"));
        (void)document.get_text(element_member_path(lines_path, j, "sHlsUrl"));
        (void)document.get_text(element_member_path(lines_path, j, "iLineIndex"));
    }
    if (parsed) {
        (void)document.type_of();
        (void)document.get_text("data[0]", true);
        (void)document.get_number(room_id_path);
    }
    document.destroy();
    return 0;
}
