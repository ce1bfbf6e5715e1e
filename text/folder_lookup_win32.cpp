// Finds each numbered folder with the shell's folder ids and the system's
// directory functions, through their wide forms: a path is read in full whatever
// the system's code page, then taken only when code page 936 can spell it.

#include "code_page.h"
#include "text_helpers.h"

#include <windows.h>

#include <shlobj.h>

#include <string>

namespace {

// The shell's folder id for each kind, or -1 for the three directory functions.
int folder_id(int kind)
{
    switch (kind) {
        case 1:
            return CSIDL_PERSONAL;
        case 2:
            return CSIDL_FAVORITES;
        case 3:
            return CSIDL_DESKTOPDIRECTORY;
        case 4:
            return CSIDL_FONTS;
        case 5:
            return CSIDL_STARTMENU;
        case 6:
            return CSIDL_PROGRAMS;
        case 7:
            return CSIDL_STARTUP;
        case 8:
            return CSIDL_APPDATA;
        case 12:
            return CSIDL_INTERNET_CACHE;
    }
    return -1;
}

// Empty when the platform cannot give the folder (the shell's folders are made
// when missing, if asked).
std::wstring folder_for_kind(int kind, bool create_missing)
{
    wchar_t buffer[MAX_PATH + 1] = {};
    UINT length = 0;
    switch (kind) {
        case 9:
            length = GetWindowsDirectoryW(buffer, MAX_PATH);
            break;
        case 10:
            length = GetSystemDirectoryW(buffer, MAX_PATH);
            break;
        case 11:
            length = GetTempPathW(MAX_PATH, buffer);
            break;
        default: {
            const int id = folder_id(kind);
            if (id < 0) return {};
            const int flags = create_missing ? CSIDL_FLAG_CREATE : 0;
            if (FAILED(SHGetFolderPathW(nullptr, id | flags, nullptr, SHGFP_TYPE_CURRENT, buffer)))
                return {};
            length = static_cast<UINT>(lstrlenW(buffer));
        }
    }
    // A length beyond the buffer is the size the path would need: too long here.
    if (length == 0 || length >= MAX_PATH) return {};
    const DWORD attributes = GetFileAttributesW(buffer);
    if (attributes == INVALID_FILE_ATTRIBUTES || !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        return {};
    return std::wstring(buffer, length);
}

}  // namespace

Text special_folder_path(int kind, bool create_missing)
{
    if (kind == 0) kind = 3;
    std::wstring path = folder_for_kind(kind, create_missing);
    if (path.empty()) return {};
    if (path.back() != L'\\') path += L'\\';
    // A path that code page 936 cannot spell would name some other folder.
    const std::u16string wide(reinterpret_cast<const char16_t*>(path.data()), path.size());
    Text text = utf16_to_gbk(wide);
    if (gbk_to_utf16(text) != wide) return {};
    return text;
}
