#pragma once
// Internet Explorer's tabs and windows for the background page: openTab,
// activeTab, setIcon and firstRun. Browsers are found through the shell's list
// of open windows (only those whose program is Internet Explorer); tabs and
// toolbars through the window tree. Nothing is reported back to the script.
#include <windows.h>
#include <oleauto.h>

namespace tessary::host {

class Log;

// Opens the URL in a new tab of the browser listed last.
void OpenTab(BSTR url);

// The tab in front, or 0: the tab (TabIdentity.h) of the first visible page
// window of the first visible frame, front to back. Traces the frames and page
// windows it looks at.
int ActiveTab(Log& log);

// Sets the authenticated flag and hands the state to every toolbar window
// below every frame, visible or not, waiting for each to take it, but not for
// a tab that has stopped answering (logged). A tab's "Frame Tab" window holds
// its pages and never a toolbar: it is passed over.
void SetIcon(int state, bool* authenticated, Log& log);

// Reopens every tab's page in a new tab of its frame and quits the old tab, on
// a thread of its own; returns at once.
void FirstRun(Log& log);

}  // namespace tessary::host
