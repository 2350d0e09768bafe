#include "PopupDriver.h"

#include "TestEnvironment.h"
#include "UniqueHandle.h"

namespace tessary::test {

HWND FindPopupDialog() {
  HWND found = nullptr;
  ::EnumWindows(
      [](HWND window, LPARAM result) -> BOOL {
        if (!::FindWindowExW(window, nullptr, L"AXPopup", nullptr)) return TRUE;
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&found));
  return found;
}

OtherWindow::OtherWindow() {
  UniqueHandle created(::CreateEventW(nullptr, TRUE, FALSE, nullptr));
  thread_ = std::thread(&OtherWindow::Run, this, created.Get());
  ::WaitForSingleObject(created.Get(), INFINITE);
}

OtherWindow::~OtherWindow() {
  ::PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
  thread_.join();
}

void OtherWindow::Run(HANDLE created) {
  threadId_ = ::GetCurrentThreadId();
  WNDCLASSEXW windowClass = {sizeof(windowClass)};
  windowClass.lpfnWndProc = ::DefWindowProcW;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
  windowClass.lpszClassName = L"TessaryTestOtherWindow";
  ::RegisterClassExW(&windowClass);
  window_ = ::CreateWindowExW(0, windowClass.lpszClassName, L"another program", WS_POPUP | WS_VISIBLE, 0,
                              ::GetSystemMetrics(SM_CYSCREEN) - 80, 120, 80, nullptr, nullptr, windowClass.hInstance,
                              nullptr);
  ::SetEvent(created);
  MSG message;
  while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (window_) ::DestroyWindow(window_);
}

bool OtherWindow::Click() {
  RECT rect = {};
  ::GetWindowRect(window_, &rect);
  const int screenWidth = ::GetSystemMetrics(SM_CXSCREEN);
  const int screenHeight = ::GetSystemMetrics(SM_CYSCREEN);
  INPUT inputs[3] = {};
  const DWORD flags[] = {MOUSEEVENTF_MOVE, MOUSEEVENTF_LEFTDOWN, MOUSEEVENTF_LEFTUP};
  for (int i = 0; i < 3; ++i) {
    inputs[i].type = INPUT_MOUSE;
    inputs[i].mi.dx = ((rect.left + rect.right) / 2) * 65535 / (screenWidth - 1);
    inputs[i].mi.dy = ((rect.top + rect.bottom) / 2) * 65535 / (screenHeight - 1);
    inputs[i].mi.dwFlags = flags[i] | MOUSEEVENTF_ABSOLUTE;
  }
  // A window that has just been shown may take the focus back from a click
  // that comes too soon after it; the user clicks again.
  for (int attempt = 0; attempt < 3; ++attempt) {
    ::SendInput(3, inputs, sizeof(INPUT));
    if (WaitUntil([this] { return ::GetForegroundWindow() == window_; }, 2000, 10)) return true;
  }
  return false;
}

}  // namespace tessary::test
