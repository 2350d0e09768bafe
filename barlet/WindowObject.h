#pragma once
// What the band's two window classes have in common: an object per window,
// bound to it from its first message on, that handles its messages and hears
// of its end.
#include <windows.h>

#include "WindowBinding.h"

namespace tessary::barlet {

class WindowObject {
 public:
  // Handles a message of this window, or one another window offers it;
  // false passes it on to the window's default procedure.
  virtual bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) = 0;
  virtual ~WindowObject() = default;
  // The window procedure that windows of this kind are created with.
  virtual WNDPROC GetWindowProc() = 0;
  // After the window's last message.
  virtual void OnFinalMessage(HWND) {}

  HWND Window() const { return window_; }

 protected:
  WindowObject() = default;
  WindowObject(const WindowObject&) = delete;
  WindowObject& operator=(const WindowObject&) = delete;

  // For window procedures: the object a window was created for (its creation
  // parameter), kept from WM_NCCREATE on; null before that.
  template <class T>
  static T* Bound(HWND window, UINT message, LPARAM lParam) {
    T* object = BindOnCreate<T>(window, message, lParam);
    if (message == WM_NCCREATE && object) object->window_ = window;
    return object;
  }
  // For window procedures, after WM_NCDESTROY: the object lets go of the window.
  void Unbind(HWND window) {
    BindObject<WindowObject>(window, nullptr);
    window_ = nullptr;
    OnFinalMessage(window);
  }

  HWND window_ = nullptr;
};

}  // namespace tessary::barlet
