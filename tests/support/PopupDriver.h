#pragma once
// What a user does with the host program's popup: sees its dialog, and ends
// it by clicking another window.
#include <windows.h>

#include <thread>

#include <wrl/client.h>

namespace tessary::test {

// The popup's dialog: the top-level window that holds the popup page's window
// (class "AXPopup"); null when there is none.
HWND FindPopupDialog();

// A left click in the middle of a toolbar's button, which sits at the right
// edge of the toolbar window: the user's way of asking for the popup.
void PressToolbarButton(HWND toolbar);

// Presses the toolbar's button until the popup shows (a toolbar ignores the
// presses that come before it holds the host's object), up to `presses` times,
// waiting `waitMs` after each; the popup's dialog, or null when it did not show.
HWND OpenPopupWith(HWND toolbar, int presses = 5, DWORD waitMs = 6000);

// The page window (class "Internet Explorer_Server") below the window (for a
// tab of the stand-in, its window: BrowserSession::TabWindow); null when there
// is none.
HWND PageWindow(HWND window);

// The document that a page window (class "Internet Explorer_Server") below the
// window shows, in whatever process, asked for as other programs ask Internet
// Explorer for it (WM_HTML_GETOBJECT); null when there is none.
Microsoft::WRL::ComPtr<IDispatch> PageDocument(HWND window);

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
