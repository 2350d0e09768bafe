#include "CExtensionPopupImpl.h"

#include <mshtml.h>

#include "ApiState.h"
#include "Bstr.h"
#include "ExceptionBarrier.h"
#include "HostMessages.h"
#include "HostNames.h"
#include "HostProcess.h"

namespace tessary::host {

INTERFACEDATA* CExtensionPopupImpl::MethodTable() {
  static ScriptMethodTable table(TESSARY_SCRIPT_METHODS(TESSARY_POPUP_EXTENSION_METHODS));
  return table.Data();
}

// The background page's window lives on the main thread: the main thread
// marshals it, and every call through it runs there.
IDispatch* CExtensionPopupImpl::getBackgroundWindow() {
  return ScriptMethodBarrier<IDispatch*>(nullptr, [&]() -> IDispatch* {
    const HWND background = Host().backgroundWindow;
    IStream* stream = nullptr;
    if (!background) return nullptr;
    ::SendMessageW(background, WM_BG_MARSHAL_WINDOW, 0, reinterpret_cast<LPARAM>(&stream));
    IHTMLWindow2* window = nullptr;
    if (!stream || FAILED(::CoGetInterfaceAndReleaseStream(stream, IID_PPV_ARGS(&window)))) return nullptr;
    return window;
  });
}

void CExtensionPopupImpl::log(BSTR str) {
  ScriptMethodBarrier([&] { Host().log.Trace() << kPopupScriptLog << str; });
}

void CExtensionPopupImpl::setPopupState(BSTR str) {
  ScriptMethodBarrier([&] { Api().popupStateString = Bstr::Copy(str); });
}

BSTR CExtensionPopupImpl::getPopupState() {
  return ScriptMethodBarrier<BSTR>(nullptr, [&] { return Bstr::Copy(Api().popupStateString.Get()).Detach(); });
}

void CExtensionPopupImpl::releaseBG() {
  ScriptMethodBarrier([&] {
    HostProcess& host = Host();
    if (host.popup.state != PopupState::kNone && host.backgroundWindow) {
      ::SendMessageW(host.backgroundWindow, WM_BG_POPUP_CLOSED, 0, 0);
    }
  });
}

}  // namespace tessary::host
