#include "CExtensionPopupImpl.h"

#include <mshtml.h>

#include "ApiState.h"
#include "Bstr.h"
#include "HostMessages.h"
#include "HostNames.h"
#include "HostProcess.h"
#include "MemberTable.h"

namespace tessary::host {

INTERFACEDATA* CExtensionPopupImpl::MethodTable() {
  static PARAMDATA str[] = {{TableName(L"str"), VT_BSTR}};
  static METHODDATA methods[] = {
      Method(L"getBackgroundWindow", 0, VT_DISPATCH),
      Method(L"log", 1, VT_EMPTY, str, 1),
      Method(L"setPopupState", 2, VT_EMPTY, str, 1),
      Method(L"getPopupState", 3, VT_BSTR),
      Method(L"releaseBG", 4, VT_EMPTY),
  };
  static INTERFACEDATA table = {methods, ARRAYSIZE(methods)};
  return &table;
}

// The background page's window lives on the main thread: the main thread
// marshals it, and every call through it runs there.
IDispatch* CExtensionPopupImpl::getBackgroundWindow() {
  const HWND background = Host().backgroundWindow;
  IStream* stream = nullptr;
  if (!background) return nullptr;
  ::SendMessageW(background, WM_BG_MARSHAL_WINDOW, 0, reinterpret_cast<LPARAM>(&stream));
  IHTMLWindow2* window = nullptr;
  if (!stream || FAILED(::CoGetInterfaceAndReleaseStream(stream, IID_PPV_ARGS(&window)))) return nullptr;
  return window;
}

void CExtensionPopupImpl::log(BSTR str) { Host().log.Trace() << kPopupScriptLog << str; }

void CExtensionPopupImpl::setPopupState(BSTR str) { Api().popupStateString = Bstr::Copy(str); }

BSTR CExtensionPopupImpl::getPopupState() { return Bstr::Copy(Api().popupStateString.Get()).Detach(); }

void CExtensionPopupImpl::releaseBG() {
  HostProcess& host = Host();
  if (host.popup.state != PopupState::kNone && host.backgroundWindow) {
    ::SendMessageW(host.backgroundWindow, WM_BG_POPUP_CLOSED, 0, 0);
  }
}

}  // namespace tessary::host
