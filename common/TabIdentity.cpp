#include "TabIdentity.h"

#include <shlguid.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <wrl/client.h>

#include "WindowClass.h"

namespace tessary {

HWND ShellBrowserWindow(IUnknown* browser) {
  Microsoft::WRL::ComPtr<IOleWindow> shellBrowser;
  HWND window = nullptr;
  if (!browser || FAILED(IUnknown_QueryService(browser, SID_SShellBrowser, IID_PPV_ARGS(&shellBrowser))) ||
      FAILED(shellBrowser->GetWindow(&window))) {
    return nullptr;
  }
  return window;
}

HWND EnclosingTabWindow(HWND window) {
  for (HWND above = window; above; above = ::GetAncestor(above, GA_PARENT)) {
    if (HasWindowClass(above, kTabWindowClass)) return above;
  }
  return nullptr;
}

int TabIdOfWindow(HWND window) {
  if (const HWND tab = EnclosingTabWindow(window)) {
    // Handles keep their meaning in their low 32 bits.
    return static_cast<int>(static_cast<DWORD>(reinterpret_cast<UINT_PTR>(tab)));
  }
  DWORD process = 0;
  ::GetWindowThreadProcessId(window, &process);
  return static_cast<int>(process);
}

}  // namespace tessary
