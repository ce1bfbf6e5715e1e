// Finds the platform's counterpart of each numbered folder. The desktop and the
// documents folder follow the user's XDG user-dirs settings; the other per-user
// folders follow the XDG base directory variables, with their usual defaults.

#include "code_page.h"
#include "text_helpers.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <system_error>

namespace {

std::string environment(const char* name)
{
    const char* value = std::getenv(name);
    return value ? std::string(value) : std::string();
}

// The XDG rules ignore a relative path in these variables.
std::string absolute_environment(const char* name)
{
    std::string value = environment(name);
    return (!value.empty() && value.front() == '/') ? value : std::string();
}

std::string home_folder()
{
    std::string home = absolute_environment("HOME");
    if (!home.empty()) return home;
    const passwd* entry = getpwuid(getuid());
    if (entry && entry->pw_dir && entry->pw_dir[0] == '/') return entry->pw_dir;
    return {};
}

// base + "/" + name; empty when the base is unknown.
std::string join(std::string base, const std::string& name)
{
    if (base.empty()) return {};
    while (base.size() > 1 && base.back() == '/') base.pop_back();
    if (base != "/") base += '/';
    return base + name;
}

std::string base_folder(const char* variable, const char* default_under_home)
{
    const std::string configured = absolute_environment(variable);
    return configured.empty() ? join(home_folder(), default_under_home) : configured;
}

std::string config_home()
{
    return base_folder("XDG_CONFIG_HOME", ".config");
}
std::string data_home()
{
    return base_folder("XDG_DATA_HOME", ".local/share");
}
std::string cache_home()
{
    return base_folder("XDG_CACHE_HOME", ".cache");
}

// Reads one value of user-dirs.dirs, whose lines look like KEY="$HOME/Desktop" or
// KEY="/absolute/path", with shell escapes inside the quotes. As when the shell
// sources the file, the last assignment wins. Empty when absent or unreadable.
std::string user_dirs_value(const std::string& key)
{
    const std::string file_path = join(config_home(), "user-dirs.dirs");
    if (file_path.empty()) return {};
    std::ifstream file(file_path);
    std::string line;
    std::string found;
    const std::string prefix = key + "=\"";
    while (std::getline(file, line)) {
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string::npos || line.compare(first, prefix.size(), prefix) != 0) continue;
        std::string value;
        bool closed = false;
        for (std::size_t i = first + prefix.size(); i < line.size(); ++i) {
            if (line[i] == '\\' && i + 1 < line.size()) {
                value += line[++i];
            } else if (line[i] == '"') {
                closed = true;
                break;
            } else {
                value += line[i];
            }
        }
        if (!closed) continue;
        if (value.rfind("$HOME", 0) == 0 && (value.size() == 5 || value[5] == '/')) {
            const std::string home = home_folder();
            if (home.empty()) continue;
            found = value.size() == 5 ? home : join(home, value.substr(6));
        } else if (!value.empty() && value.front() == '/') {
            found = value;
        }
    }
    return found;
}

// The variable of the environment, else the user-dirs file, else ~/<fallback>.
std::string user_folder(const char* key, const char* fallback_under_home)
{
    std::string path = absolute_environment(key);
    if (path.empty()) path = user_dirs_value(key);
    if (path.empty()) path = join(home_folder(), fallback_under_home);
    return path;
}

bool is_folder(const std::string& path)
{
    struct stat info {};
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string first_existing(const std::string& preferred, const std::string& otherwise)
{
    return is_folder(preferred) ? preferred : otherwise;
}

std::string folder_for_kind(int kind)
{
    switch (kind) {
        case 1:
            return user_folder("XDG_DOCUMENTS_DIR", "Documents");
        // Linux has no favorites folder of its own; a ~/Favorites made by the user (as
        // in a Windows profile) is the nearest thing, and without it there is none.
        case 2:
            return join(home_folder(), "Favorites");
        case 3:
            return user_folder("XDG_DESKTOP_DIR", "Desktop");
        case 4:
            return first_existing(join(data_home(), "fonts"), "/usr/share/fonts");
        // Desktop entries in one folder serve as both the start menu and its programs.
        case 5:
        case 6:
            return join(data_home(), "applications");
        case 7:
            return join(config_home(), "autostart");
        case 8:
            return data_home();
        // The Windows directory holds the installed operating system: /usr plays that
        // part here. The system directory holds its shared libraries: /usr/lib.
        case 9:
            return "/usr";
        case 10:
            return "/usr/lib";
        case 11: {
            const std::string configured = absolute_environment("TMPDIR");
            return configured.empty() ? "/tmp" : configured;
        }
        case 12:
            return cache_home();
    }
    return {};
}

}  // namespace

Text special_folder_path(int kind, bool create_missing)
{
    if (kind == 0) kind = 3;
    std::string path = folder_for_kind(kind);
    if (path.empty()) return {};
    while (!path.empty() && path.back() == '/') path.pop_back();
    path += '/';
    // A path that code page 936 cannot spell would name some other folder; such
    // a folder is not made either.
    Text text = gbk_from_utf8(path);
    if (utf8_from_gbk(text) != path) return {};
    if (create_missing && !is_folder(path)) {
        std::error_code ignored;
        std::filesystem::create_directories(path, ignored);
    }
    if (!is_folder(path)) return {};
    return text;
}
