#include "temp_dir.h"

#include <cstdlib>
#include <random>
#include <string>
#include <system_error>

TempDir::TempDir()
{
    std::error_code error;
    const auto base = std::filesystem::temp_directory_path(error);
    if (error) return;
#ifdef _WIN32
    // No mkdtemp: try random names until one can be created.
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("pelvaro-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate, error)) {
            path_ = candidate;
            return;
        }
    }
#else
    std::string pattern = (base / "pelvaro-test-XXXXXX").string();
    if (mkdtemp(pattern.data())) path_ = pattern;
#endif
}

TempDir::~TempDir()
{
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
