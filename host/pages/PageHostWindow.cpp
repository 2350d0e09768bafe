#include "PageHostWindow.h"

#include <exdisp.h>

#include <wrl/client.h>

#include "AXClientSite.h"
#include "BackgroundWindow.h"
#include "Bstr.h"
#include "Failures.h"
#include "HostMessages.h"
#include "HostNames.h"
#include "HostProcess.h"
#include "PopupThread.h"
#include "PopupWindow.h"
#include "WindowBinding.h"

namespace tessary::host {
namespace {

bool RegisterClass(HINSTANCE instance, const char* name, WNDPROC procedure) {
  WNDCLASSEXA windowClass = {sizeof(windowClass)};
  windowClass.style = CS_GLOBALCLASS | CS_DBLCLKS;
  windowClass.lpfnWndProc = procedure;
  windowClass.cbWndExtra = 4;
  windowClass.hInstance = instance;
  windowClass.lpszClassName = name;
  return ::RegisterClassExA(&windowClass) != 0;
}

}  // namespace

bool RegisterPageHostClasses(HINSTANCE instance) {
  return RegisterClass(instance, kBackgroundWindowClass, &BackgroundWindowProc) &&
         RegisterClass(instance, kPopupWindowClass, &PopupWindowProc);
}

AXClientSite* SiteOf(HWND window) {
  return BoundObject<AXClientSite>(window);
}

void NavigatePageHost(HWND window, const std::wstring& page) {
  ::SendMessageW(window, WM_AX_INPLACE, 1, 0);
  Microsoft::WRL::ComPtr<IWebBrowser2> browser;
  ::SendMessageW(window, WM_AX_QUERY_INTERFACE, reinterpret_cast<WPARAM>(&IID_IWebBrowser2),
                 reinterpret_cast<LPARAM>(browser.GetAddressOf()));
  if (!browser) return;
  VARIANT none;
  ::VariantInit(&none);
  LOG_IF_FAILED(browser->Navigate(Bstr(page).Get(), &none, &none, &none, &none));
}

LRESULT CreatePageSite(HWND window, bool isBackground, PageEventHandler& events) {
  auto* site = new AXClientSite(window, isBackground, events);
  BindObject(window, site);
  if (site->Embed()) return 0;
  site->CleanUp();
  delete site;
  BindObject<AXClientSite>(window, nullptr);
  return -1;
}

LRESULT CommonPageHostProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  AXClientSite* site = SiteOf(window);
  switch (message) {
    case WM_DESTROY:
      Host().log.Trace() << kLogPageHostDestroyed;
      if (!site) return 0;
      BindObject<AXClientSite>(window, nullptr);
      if (site->IsBackground()) {
        site->CleanUp();
        delete site;
      } else {
        // The popup thread cleans the site up once the window is gone.
        EndPopupLoop(site);
      }
      return 0;
    case WM_SIZE:
      if (!site) break;
      ::DefWindowProcW(window, message, wParam, lParam);
      site->Resize();
      return 0;
    case WM_LBUTTONDBLCLK:
      ::PostMessageW(window, WM_AX_INPLACE, 1, 0);
      return 0;
    case WM_AX_QUERY_INTERFACE:
      return site ? site->QueryControl(*reinterpret_cast<const IID*>(wParam), reinterpret_cast<void**>(lParam)) : 0;
    case WM_AX_INPLACE:
      if (!site || wParam > 1) return 0;
      return site->SetInPlace(wParam == 1, lParam != 0) ? 1 : 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tessary::host
