// A fresh empty folder for one test, removed with everything in it at the end.
#pragma once

#include <filesystem>

class TempDir {
public:
    TempDir();  // under the system's temporary folder; path() is empty if creation failed
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return path_; }

private:
    std::filesystem::path path_;
};
