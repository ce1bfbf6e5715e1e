// A fresh, empty desktop folder for this process and the programs it starts, for
// the life of the object: the Linux folder look-up takes it from XDG_DESKTOP_DIR,
// the Windows one from the profile folder (USERPROFILE) that holds "Desktop".
#pragma once

#include "scoped_env.h"
#include "temp_dir.h"

#include <filesystem>

class ScopedDesktop {
public:
    ScopedDesktop();
    const std::filesystem::path& path() const { return desktop_; }  // empty if not made

private:
    TempDir root_;
    std::filesystem::path desktop_;
    ScopedEnv variable_;
};
