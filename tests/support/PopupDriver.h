#pragma once
// What a user does with the host program's popup: sees its dialog, and ends
// it by clicking another window.
#include <windows.h>

#include <thread>

namespace tessary::test {

// The popup's dialog: the top-level window that holds the popup page's window
// (class "AXPopup"); null when there is none.
HWND FindPopupDialog();

// Another program's window, as far as the popup is concerned: visible, with a
// thread and message loop of its own, in the bottom-left corner of the screen.
class OtherWindow {
 public:
  OtherWindow();
  ~OtherWindow();
  OtherWindow(const OtherWindow&) = delete;
  OtherWindow& operator=(const OtherWindow&) = delete;

  HWND Window() const { return window_; }
  // A mouse click in the window through the system's input queue; true once
  // the window is the foreground window.
  bool Click();

 private:
  static constexpr UINT kActivate = WM_APP + 1;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Run(HANDLE created);

  HWND window_ = nullptr;
  DWORD threadId_ = 0;
  std::thread thread_;
};

}  // namespace tessary::test
