#include "BackgroundReload.h"

#include "HostNames.h"
#include "WindowClass.h"

namespace tessary::host {
namespace {

// The background page's host window lives in a dialog of its own.
BOOL CALLBACK AskHost(HWND dialog, LPARAM asked) {
  if (!HasWindowClass(dialog, L"#32770")) return TRUE;
  const HWND background = ::FindWindowExW(dialog, nullptr, kBackgroundWindowClassW, nullptr);
  if (background && ::PostMessageW(background, BackgroundReloadMessage(), 0, 0)) ++*reinterpret_cast<int*>(asked);
  return TRUE;
}

}  // namespace

UINT BackgroundReloadMessage() {
  static const UINT message = ::RegisterWindowMessageW(L"Tessary.ReloadBackground");
  return message;
}

int RequestBackgroundReload() {
  int asked = 0;
  ::EnumWindows(&AskHost, reinterpret_cast<LPARAM>(&asked));
  return asked;
}

}  // namespace tessary::host
