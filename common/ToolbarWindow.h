#pragma once
// The toolbar band's window as the host program reaches it from another
// process: by its class name, below every Internet Explorer frame, with one
// message that carries the button's authorization state.
#include <windows.h>

namespace tessary {

constexpr wchar_t kToolbarWindowClass[] = L"TESSARYBARLET";

// wParam 0: lParam is the new state (any non-zero value means set).
// wParam non-zero: the toolbar fetches the state from the host program itself.
constexpr UINT WM_TOOLBAR_SETSTATE = WM_APP + 0x14;

}  // namespace tessary
