#include "scoped_desktop.h"

#include <system_error>

namespace {

std::filesystem::path desktop_under(const std::filesystem::path& root)
{
    if (root.empty()) return {};
#ifdef _WIN32
    std::error_code error;
    std::filesystem::create_directory(root / "Desktop", error);
    return error ? std::filesystem::path() : root / "Desktop";
#else
    return root;
#endif
}

}  // namespace

#ifdef _WIN32
ScopedDesktop::ScopedDesktop()
    : desktop_(desktop_under(root_.path())), variable_("USERPROFILE", root_.path().string())
{
}
#else
ScopedDesktop::ScopedDesktop()
    : desktop_(desktop_under(root_.path())), variable_("XDG_DESKTOP_DIR", root_.path().string())
{
}
#endif
