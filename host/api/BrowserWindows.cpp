#include "BrowserWindows.h"

namespace tessary::host {
namespace {

BOOL CALLBACK Visit(HWND window, LPARAM visitor) {
  return (*reinterpret_cast<const std::function<bool(HWND)>*>(visitor))(window) ? TRUE : FALSE;
}

}  // namespace

bool HasWindowClass(HWND window, const wchar_t* className) {
  // One character more than any class name may have, so that a longer name
  // cannot pass for a prefix.
  wchar_t name[258] = {};
  return ::GetClassNameW(window, name, ARRAYSIZE(name)) > 0 && wcscmp(name, className) == 0;
}

void ForEachTopLevelWindow(const std::function<bool(HWND)>& visit) {
  ::EnumWindows(&Visit, reinterpret_cast<LPARAM>(&visit));
}

void ForEachDescendant(HWND window, const std::function<bool(HWND)>& visit) {
  ::EnumChildWindows(window, &Visit, reinterpret_cast<LPARAM>(&visit));
}

HWND FrameForDialogs() {
  HWND foreground = ::GetForegroundWindow();
  if (foreground && HasWindowClass(foreground, kFrameWindowClass)) return foreground;
  return ::FindWindowW(kFrameWindowClass, nullptr);
}

}  // namespace tessary::host
