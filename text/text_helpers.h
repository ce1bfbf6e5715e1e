// Cutting texts at markers, and the paths of the user's and the system's folders.
#pragma once

#include "text_types.h"

// Everything in front of the first marker found at or after start (start < 1
// searches from the first byte), always counted from position 1 of the text.
// Empty when the marker is not found, or when it stands at position 1.
Text text_before(const Text& text, const Text& marker, int start = 0, bool ignore_case = false);

// The bytes strictly between the first begin at or after start and the first end
// after it. "#引号" (as code page 936 bytes) in either marker stands for a double
// quote. Empty when either marker is not found, or when end follows begin at once.
Text text_between(const Text& text, const Text& begin, const Text& end, int start = 0,
                  bool ignore_case = false);

// The folder of one kind, ending in exactly one '/', in code page 936. Kind 0 (the
// default) is the desktop, like kind 3. 1 documents, 2 favorites, 3 desktop,
// 4 fonts, 5 start menu, 6 its programs, 7 autostart, 8 application data,
// 9 the operating system's folder, 10 the system libraries, 11 temporary files,
// 12 the internet cache. With create_missing, a folder that does not exist yet is
// made, with its parents. Empty for a kind outside 0..12, for a folder that does
// not exist (or could not be made), and for a path that code page 936 cannot spell.
Text special_folder_path(int kind = 0, bool create_missing = false);
