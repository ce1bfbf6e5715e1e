// Start-up on Windows: OLE on the thread that owns the window, the program's own
// folder as the current one, the window centred, and the message loop until the
// window is closed.
#include "main_window.h"
#include "room_resolution.h"
#include "runtime_hooks.h"
#include "text_types.h"

#include <windows.h>

#include <ole2.h>

#include <cstdlib>
#include <new>
#include <string>

namespace {

void set_program_folder_current()
{
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0) return;
        if (length < path.size()) {
            path.resize(length);
            break;
        }
        path.resize(path.size() * 2);
    }
    const std::size_t slash = path.find_last_of(L"\\/");
    if (slash != std::wstring::npos) SetCurrentDirectoryW(path.substr(0, slash + 1).c_str());
}

std::wstring wide_from_utf8(const std::string& utf8)
{
    const int units = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(units > 0 ? units : 1), L'\0');
    MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(), units);
    wide.pop_back();
    return wide;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int show)
{
    OleInitialize(nullptr);
    set_program_folder_current();

    set_fatal_error_reporter([](const std::string& message) {
        MessageBoxW(nullptr, wide_from_utf8(message).c_str(), L"Pelvaro",
                    MB_ICONERROR | MB_TASKMODAL);
    });
    std::set_new_handler([] {
        // The error box needs memory too; if even that fails, just stop.
        static bool reporting = false;
        if (reporting) std::_Exit(-1);
        reporting = true;
        fatal_error(7);
    });

    int exit_code = 0;
    {
        MainWindow window;
        if (!window.window()) return 1;
        window.set_resolve_action(
            [](RoomView& view) { return resolve_room(view.address_text(), view); });
        window.show(show);

        MSG message;
        while (GetMessageW(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
        exit_code = static_cast<int>(message.wParam);
    }
    OleUninitialize();
    return exit_code;
}
