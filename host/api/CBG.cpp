#include "CBG.h"

#include "ApiState.h"

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

IFACEMETHODIMP CBG::showPopup(int, int) { return E_NOTIMPL; }

IFACEMETHODIMP CBG::getAuthState(int* pInt) {
  if (!pInt) return E_POINTER;
  *pInt = Api().authenticated ? 1 : 0;
  return S_OK;
}

}  // namespace tessary::host
