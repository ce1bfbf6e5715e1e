// A fresh, empty desktop folder for this process and the programs it starts, for
// the life of the object. The Linux folder look-up takes the desktop from
// XDG_DESKTOP_DIR; the Windows one from the current user's shell folders in the
// registry, which every program of the Wine prefix shares: tests that use this
// hold the CTest resource lock "desktop" (pelvaro_add_test ... DESKTOP).
#pragma once

#include "scoped_env.h"
#include "temp_dir.h"

#include <filesystem>
#include <optional>
#include <string>

class ScopedDesktop {
public:
    // The desktop is a fresh temporary folder, or a folder of that name inside one.
    explicit ScopedDesktop(const std::filesystem::path& name = {});
    ~ScopedDesktop();
    ScopedDesktop(const ScopedDesktop&) = delete;
    ScopedDesktop& operator=(const ScopedDesktop&) = delete;

    const std::filesystem::path& path() const { return desktop_; }  // empty if not made

private:
    TempDir root_;
    std::filesystem::path desktop_;
#ifdef _WIN32
    std::wstring previous_;
#else
    std::optional<ScopedEnv> desktop_variable_;
#endif
};
