#include "thread_messages.h"

#include <windows.h>

void handle_queued_messages()
{
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE)) {
        if (message.message == WM_QUIT) return;
        if (!PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) return;
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
}
