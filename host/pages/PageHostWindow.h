#pragma once
// The two page host window classes, "AXBG" and "AXPopup": child windows that
// each own one AXClientSite and the WebBrowser control it embeds.
#include <windows.h>

#include <string>

namespace tessary::host {

class PageEventHandler;

// Registers both classes (background first); false when either fails.
bool RegisterPageHostClasses(HINSTANCE instance);

// The procedure both classes share, for the messages a variant does not handle
// itself. WM_CREATE is the variant's: see CreatePageSite.
LRESULT CommonPageHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// WM_CREATE of a variant: creates the site of that kind and embeds the control.
// -1 (no window) when the control cannot be created.
LRESULT CreatePageSite(HWND window, bool isBackground, PageEventHandler& events);

class AXClientSite;
AXClientSite* SiteOf(HWND window);

// What a page host dialog does when it starts: activates its page host window's
// control in place and navigates it to the page (a plain file path).
void NavigatePageHost(HWND window, const std::wstring& page);

}  // namespace tessary::host
