#include "scoped_desktop.h"

#include <system_error>

namespace {

// root/name, made; root itself for no name; empty when it cannot be made.
std::filesystem::path folder_inside(const std::filesystem::path& root,
                                    const std::filesystem::path& name)
{
    if (root.empty() || name.empty()) return root;
    std::error_code error;
    std::filesystem::create_directory(root / name, error);
    return error ? std::filesystem::path() : root / name;
}

}  // namespace

#ifdef _WIN32
#include <windows.h>

namespace {

const wchar_t shell_folders[] =
    L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\User Shell Folders";

// The current user's "Desktop" entry of the shell folders, which the system's
// folder look-up reads; empty when there is none.
std::wstring desktop_entry()
{
    wchar_t value[MAX_PATH * 2] = {};
    DWORD size = sizeof value - sizeof(wchar_t);
    if (RegGetValueW(HKEY_CURRENT_USER, shell_folders, L"Desktop", RRF_RT_REG_SZ | RRF_RT_REG_EXPAND_SZ | RRF_NOEXPAND,
                     nullptr, value, &size) != ERROR_SUCCESS)
        return {};
    return value;
}

void set_desktop_entry(const std::wstring& path)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_CURRENT_USER, shell_folders, 0, KEY_SET_VALUE, &key) != ERROR_SUCCESS)
        return;
    RegSetValueExW(key, L"Desktop", 0, REG_EXPAND_SZ, reinterpret_cast<const BYTE*>(path.c_str()),
                   static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(key);
}

}  // namespace

ScopedDesktop::ScopedDesktop(const std::filesystem::path& name)
    : desktop_(folder_inside(root_.path(), name)), previous_(desktop_entry())
{
    if (!desktop_.empty()) set_desktop_entry(desktop_.wstring());
}

ScopedDesktop::~ScopedDesktop()
{
    if (!desktop_.empty() && !previous_.empty()) set_desktop_entry(previous_);
}

#else
ScopedDesktop::ScopedDesktop(const std::filesystem::path& name)
    : desktop_(folder_inside(root_.path(), name))
{
    if (!desktop_.empty()) desktop_variable_.emplace("XDG_DESKTOP_DIR", desktop_.string());
}

ScopedDesktop::~ScopedDesktop() = default;
#endif
