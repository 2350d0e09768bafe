#pragma once
// Internet Explorer's windows as the host program finds them: in the window
// tree by exact, case-sensitive class name; in the shell's list by the program
// they name.
#include <windows.h>
#include <exdisp.h>

#include <functional>
#include <vector>

#include "HostNames.h"
#include "WindowClass.h"

namespace tessary::host {

// A tab's place in its frame: it holds the tab's pages, never a toolbar.
constexpr wchar_t kFrameTabWindowClass[] = L"Frame Tab";

// The top-level frame windows in the system's order, front to back, all
// listed before the caller visits any of them.
std::vector<HWND> FrameWindows();
// The visitor returns false to stop; descendants are all levels below the window.
void ForEachDescendant(HWND window, const std::function<bool(HWND)>& visit);
// The windows of the class at any level below the window, except below windows
// of the class `barren` and below the windows found.
std::vector<HWND> FindDescendants(HWND window, const wchar_t* className, const wchar_t* barren);

// True for a tab or frame of Internet Explorer, which names IEXPLORE.EXE as its
// program; folder windows name explorer.exe.
bool IsInternetExplorer(IWebBrowser2* browser);

// The owner of the host program's dialogs and message boxes: the foreground
// window when it is a frame, else the first frame found, else none.
HWND FrameForDialogs();

}  // namespace tessary::host
