#include "CBG.h"

#include "ApiState.h"
#include "ExceptionBarrier.h"
#include "HostProcess.h"
#include "PopupThread.h"

namespace tessary::host {

const QITAB* CBG::Interfaces() {
  static const QITAB interfaces[] = {
      QITABENT(CBG, IBG),
      QITABENTMULTI(CBG, IDispatch, IBG),
      QITABENT(CBG, IProvideClassInfo),
      {},
  };
  return interfaces;
}

namespace {

constexpr DWORD kRequestSpacingMs = 500;

}  // namespace

// Refused requests (a popup exists, the background page is not running yet, or
// the last accepted request is too recent) still succeed: the band has nothing
// to do about them.
IFACEMETHODIMP CBG::showPopup(int x, int y) {
  return ExceptionBarrier([&] {
    HostProcess& host = Host();
    if (host.popup.state != PopupState::kNone || host.background != BackgroundState::kRunning) return S_OK;
    const DWORD now = ::GetTickCount();
    if (now - host.popup.lastRequest <= kRequestSpacingMs) return S_OK;
    host.popup.lastRequest = now;
    return OpenPopup(x, y) ? S_OK : E_FAIL;
  });
}

IFACEMETHODIMP CBG::getAuthState(int* pInt) {
  return ExceptionBarrier([&] {
    if (!pInt) return E_POINTER;
    *pInt = Api().authenticated ? 1 : 0;
    return S_OK;
  });
}

}  // namespace tessary::host
