#pragma once
// The background page's host window (class "AXBG"), the meeting point of the
// system: calls from page agents, the toolbar bands and the popup reach the
// background page through its messages.
#include <windows.h>

namespace tessary::host {

LRESULT CALLBACK BackgroundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

}  // namespace tessary::host
