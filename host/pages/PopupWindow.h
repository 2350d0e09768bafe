#pragma once
// The popup page's host window (class "AXPopup").
#include <windows.h>

namespace tessary::host {

LRESULT CALLBACK PopupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tessary::host
