#include "temp_dir.h"

#include <cstdlib>
#include <string>
#include <system_error>

TempDir::TempDir()
{
    std::error_code error;
    const auto base = std::filesystem::temp_directory_path(error);
    if (error) return;
    std::string pattern = (base / "pelvaro-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
}

TempDir::~TempDir()
{
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
