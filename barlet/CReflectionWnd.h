#pragma once
// The band's hidden window. It is the toolbar window's parent at creation,
// so the toolbar control keeps sending it its notifications after the browser
// has moved the toolbar into the band area; it reflects them back to the
// toolbar: the button's click and the control's custom drawing.
#include <windows.h>

#include "CMFToolbar.h"
#include "WindowObject.h"

namespace tessary::barlet {

class CReflectionWnd final : public WindowObject {
 public:
  CReflectionWnd() = default;
  // Destroys the window if it still exists, then the toolbar.
  ~CReflectionWnd() override;

  // A hidden child of `parent` on its client area, with the toolbar window in
  // it; false when the window could not be made.
  bool Create(HWND parent);
  // Destroys both windows, so that they can be made again.
  void Destroy();
  CMFToolbar& Toolbar() { return toolbar_; }

  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  WNDPROC GetWindowProc() override { return &CReflectionWnd::WindowProc; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  bool OnNotify(LPARAM lParam, LRESULT* result);

  CMFToolbar toolbar_;
};

}  // namespace tessary::barlet
