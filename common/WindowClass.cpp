#include "WindowClass.h"

#include <cwchar>

namespace tessary {

bool HasWindowClass(HWND window, const wchar_t* className) {
  // One character more than any class name may have, so that a longer name
  // cannot pass for a prefix.
  wchar_t name[258] = {};
  return ::GetClassNameW(window, name, ARRAYSIZE(name)) > 0 && std::wcscmp(name, className) == 0;
}

}  // namespace tessary
