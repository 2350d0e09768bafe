#pragma once
// Windows of other programs are told apart by their class names, compared
// exactly and case-sensitively, as the names are contracts (the system's own
// lookups by class name ignore case).
#include <windows.h>

namespace tessary {

bool HasWindowClass(HWND window, const wchar_t* className);

}  // namespace tessary
