#pragma once
// A window's C++ object, kept in the window's user data: the one way the three
// programs find the object behind a window procedure's window.
#include <windows.h>

namespace tessary {

template <class T>
T* BoundObject(HWND window) {
  return reinterpret_cast<T*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
}

// Null lets the window go; messages after that find no object.
template <class T>
void BindObject(HWND window, T* object) {
  ::SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(object));
}

// For a window created with its object as the creation parameter: binds it on
// WM_NCCREATE, the window's first message, and answers the object from then on
// (null before).
template <class T>
T* BindOnCreate(HWND window, UINT message, LPARAM lParam) {
  if (message == WM_NCCREATE) {
    BindObject(window, static_cast<T*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams));
  }
  return BoundObject<T>(window);
}

}  // namespace tessary
