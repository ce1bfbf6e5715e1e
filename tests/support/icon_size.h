// The size in pixels of an icon's picture (Windows only).
#pragma once

#include <windows.h>

inline SIZE icon_size(HICON icon)
{
    ICONINFO parts{};
    if (!icon || !GetIconInfo(icon, &parts)) return {0, 0};
    BITMAP colour{};
    GetObjectW(parts.hbmColor, sizeof colour, &colour);
    DeleteObject(parts.hbmColor);
    DeleteObject(parts.hbmMask);
    return {colour.bmWidth, colour.bmHeight};
}
