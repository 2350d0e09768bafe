#pragma once
// The toolbar band's window as the host program reaches it: by its class name,
// below every Internet Explorer frame, with one message that sets or refreshes
// the authorization state its button shows.
#include <windows.h>

namespace tessary {

constexpr wchar_t kToolbarWindowClass[] = L"TESSARYBARLET";

// wParam 0: the state becomes lParam (non-zero: set). wParam non-zero: the
// toolbar asks the host program for the state itself.
constexpr UINT WM_TOOLBAR_SETSTATE = WM_APP + 0x14;

}  // namespace tessary
