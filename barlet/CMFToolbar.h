#pragma once
// The toolbar window: the common toolbar control under the class name
// "TESSARYBARLET", with one button whose picture it draws itself with GDI+,
// by the authorization state and by whether the mouse is over it. A click
// asks the host program for the popup under the toolbar. Each toolbar keeps
// its own state: the host's setIcon reaches every toolbar window, and a new
// one asks the host at its creation.
#include <windows.h>
#include <commctrl.h>

#include <wrl/client.h>

#include "ButtonPictures.h"
#include "Tessary.h"
#include "WindowObject.h"

namespace tessary::barlet {

class CMFToolbar final : public WindowObject {
 public:
  CMFToolbar() = default;
  // Destroys the image list, and the window if it still exists.
  ~CMFToolbar() override;

  // Creates the window as a child of `parent` on the rectangle.
  bool Create(HWND parent, const RECT& rect);
  // Draws the picture into a device context; false when GDI+ or the
  // pictures are not there.
  bool PaintPicture(HDC dc);

  bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override;
  WNDPROC GetWindowProc() override { return &CMFToolbar::WindowProc; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  // The handlers of the toolbar window's own messages.
  bool ProcessOwnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result);
  void SetUpButton();
  void AlignButton();
  LRESULT OnCommand(WPARAM wParam);
  void OnSetState(WPARAM wParam, LPARAM lParam);
  // False when the toolbar went while the host was asked.
  bool RefreshFromHost();
  void OnPaint();
  void OnMouseMove(LPARAM lParam);
  void OnMouseLeave();
  void OnDestroy();
  void Redraw();

  WNDPROC controlProc_ = nullptr;
  HIMAGELIST images_ = nullptr;
  Microsoft::WRL::ComPtr<IBG> host_;
  // Non-zero: the user is signed in (blue pictures); 0: red pictures.
  int authState_ = 0;
  // The mouse is over the picture's strip.
  bool hover_ = false;
  ButtonPictures pictures_;
};

}  // namespace tessary::barlet
