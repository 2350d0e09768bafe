#include "PopupDriver.h"

#include <oleacc.h>

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

void PressToolbarButton(HWND toolbar) {
  RECT client = {};
  ::GetClientRect(toolbar, &client);
  const LPARAM point = MAKELPARAM(client.right - 16, client.bottom / 2);
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, point, SMTO_NORMAL, 10000, &ignored);
  ::SendMessageTimeoutW(toolbar, WM_LBUTTONUP, 0, point, SMTO_NORMAL, 10000, &ignored);
}

HWND OpenPopupWith(HWND toolbar, int presses, DWORD waitMs) {
  HWND popup = nullptr;
  const auto shown = [&popup] { return (popup = FindPopupDialog()) && ::IsWindowVisible(popup); };
  for (int press = 0; toolbar && press < presses && !shown(); ++press) {
    PressToolbarButton(toolbar);
    WaitUntil(shown, waitMs, 100);
  }
  return shown() ? popup : nullptr;
}

HWND PageWindow(HWND window) {
  HWND page = nullptr;
  ::EnumChildWindows(
      window,
      [](HWND child, LPARAM found) -> BOOL {
        wchar_t name[64] = {};
        ::GetClassNameW(child, name, ARRAYSIZE(name));
        if (lstrcmpW(name, L"Internet Explorer_Server") != 0) return TRUE;
        *reinterpret_cast<HWND*>(found) = child;
        return FALSE;
      },
      reinterpret_cast<LPARAM>(&page));
  return page;
}

Microsoft::WRL::ComPtr<IDispatch> PageDocument(HWND window) {
  static const UINT getObject = ::RegisterWindowMessageW(L"WM_HTML_GETOBJECT");
  const HWND page = PageWindow(window);
  DWORD_PTR answer = 0;
  Microsoft::WRL::ComPtr<IDispatch> document;
  if (page && ::SendMessageTimeoutW(page, getObject, 0, 0, SMTO_ABORTIFHUNG, 10000, &answer) && answer) {
    ::ObjectFromLresult(answer, IID_IDispatch, 0, reinterpret_cast<void**>(document.GetAddressOf()));
  }
  return document;
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
  windowClass.lpfnWndProc = &OtherWindow::WindowProc;
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

LRESULT CALLBACK OtherWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message != kActivate) return ::DefWindowProcW(window, message, wParam, lParam);
  ::SetForegroundWindow(window);
  return 0;
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
  ::SendInput(3, inputs, sizeof(INPUT));
  const auto inFront = [this] { return ::GetForegroundWindow() == window_; };
  if (WaitUntil(inFront, 1000, 10)) return true;
  // Without a window manager, Wine sometimes leaves the focus with a window
  // that was shown just before the click: the window then comes to the front
  // the other way a user brings one there, by switching to it.
  ::PostMessageW(window_, kActivate, 0, 0);
  return WaitUntil(inFront, 5000, 10);
}

}  // namespace tessary::test
