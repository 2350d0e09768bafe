#pragma once
// How a tab of Internet Explorer is named to the background page (tabId):
// by its "TabWindowClass" window, the tab's window inside its frame. Internet
// Explorer puts several tabs into one process (TabProcGrowth; all of them on
// Remote Desktop servers), so the process cannot name a tab; the tab's window
// is unique among the live windows of the desktop and stays the tab's for its
// whole life, whatever page and frames it shows. A window handle is a 32-bit
// number in 32-bit and 64-bit processes alike, so the page agent of a 32-bit
// tab and the 64-bit host program name a tab the same.
#include <windows.h>
#include <unknwn.h>

namespace tessary {

constexpr wchar_t kTabWindowClass[] = L"TabWindowClass";

// The window itself, or the nearest window above it, of class
// "TabWindowClass"; null when there is none.
HWND EnclosingTabWindow(HWND window);

// The tab's own window as a tab's browser (an add-on's site, or what a page
// hands out as its browser) gives it through its shell browser
// (SID_SShellBrowser): since Internet Explorer has tabs, the browser's HWND is
// its frame's, the same for every tab. Null when the browser offers none.
HWND ShellBrowserWindow(IUnknown* browser);

// The identifier of the tab that shows the window. Where no tab window can be
// found, the identifier of the window's process: a browser without tab windows
// runs a tab per process.
int TabIdOfWindow(HWND window);

}  // namespace tessary
