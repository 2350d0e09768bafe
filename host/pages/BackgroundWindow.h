#pragma once
// The background page's host window (class "AXBG"), the meeting point of the
// system: calls from page agents, the toolbar bands and the popup reach the
// background page through its messages.
#include <windows.h>

namespace tessary::host {

class AXClientSite;

LRESULT CALLBACK BackgroundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// After the page's main has run: its connect handler hears of every tab that
// is connected already (none at the first start; all of them after a reload).
void AnnounceConnectedTabs(AXClientSite* site);

}  // namespace tessary::host
