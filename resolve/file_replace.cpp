#include "file_replace.h"

#include <fstream>
#include <system_error>

namespace {

// The file a chain of symbolic links ends at (the path itself when it is none);
// empty for a chain longer than the system would follow, a loop included.
std::filesystem::path final_target(std::filesystem::path path)
{
    constexpr int most_links = 40;  // where the system gives up with ELOOP
    for (int followed = 0; followed <= most_links; ++followed) {
        std::error_code error;
        if (!std::filesystem::is_symlink(path, error)) return path;
        const std::filesystem::path next = std::filesystem::read_symlink(path, error);
        if (error) return {};
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    return {};
}

}  // namespace

bool replace_file_contents(const std::filesystem::path& name, const Bytes& bytes)
{
    // A user who keeps the file as a link (into a player's folder, say) wants
    // the file it points to brought up to date; renaming over the link would
    // quietly turn it into a plain file. So the replace happens at the target.
    const std::filesystem::path target = final_target(name);
    if (target.empty()) return false;
    std::filesystem::path temporary = target;
    temporary += ".part";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return false;
        out.write(reinterpret_cast<const char*>(bytes.data()),
                  static_cast<std::streamsize>(bytes.size()));
        out.close();
        if (!out) {
            std::error_code ignored;
            std::filesystem::remove(temporary, ignored);
            return false;
        }
    }
    std::error_code error;
    std::filesystem::rename(temporary, target, error);
    if (error) {
        std::error_code ignored;
        std::filesystem::remove(temporary, ignored);
        return false;
    }
    return true;
}
