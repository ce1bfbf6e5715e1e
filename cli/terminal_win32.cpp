#include "terminal.h"

#include <windows.h>

#include <fcntl.h>
#include <io.h>
#include <shellapi.h>

#include <cstdio>

namespace {

std::string utf8_from_wide(const wchar_t* wide)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();  // the terminating zero
    return utf8;
}

// A console takes UTF-16 characters, whatever its code page; a pipe or a file
// gets the UTF-8 bytes unchanged, with no CR put before each LF.
void write_to(DWORD which, FILE* stream, std::string_view utf8)
{
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode)) {
        const int units =
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 0), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                            units);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    _setmode(_fileno(stream), _O_BINARY);
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

}  // namespace

std::vector<std::string> utf8_arguments(int, char**)
{
    // The narrow arguments are in the ANSI code page and lose what it cannot
    // spell; the wide command line holds them all.
    std::vector<std::string> arguments;
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide) return arguments;
    for (int i = 1; i < count; ++i) arguments.push_back(utf8_from_wide(wide[i]));
    LocalFree(wide);
    return arguments;
}

void write_output(std::string_view utf8)
{
    write_to(STD_OUTPUT_HANDLE, stdout, utf8);
}

void write_error(std::string_view utf8)
{
    write_to(STD_ERROR_HANDLE, stderr, utf8);
}
