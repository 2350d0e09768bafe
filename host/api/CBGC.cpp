#include "CBGC.h"

#include "../program/HostProcess.h"

namespace tessary::host {

const QITAB* CBGC::Interfaces() {
  static const QITAB interfaces[] = {
      QITABENT(CBGC, IBGC),
      QITABENTMULTI(CBGC, IDispatch, IBGC),
      QITABENT(CBGC, IProvideClassInfo),
      {},
  };
  return interfaces;
}

IFACEMETHODIMP CBGC::connect(int, IDispatch*, BSTR) { return E_NOTIMPL; }

IFACEMETHODIMP CBGC::disconnect(int, IDispatch*) { return E_NOTIMPL; }

IFACEMETHODIMP CBGC::dispatchMsg(BSTR, int) { return E_NOTIMPL; }

IFACEMETHODIMP CBGC::log(BSTR msg, int tabId) {
  Host().log.Trace() << "BHO" << tabId << ": " << msg;
  return S_OK;
}

IFACEMETHODIMP CBGC::getState(int* pInt) {
  if (!pInt) return E_POINTER;
  *pInt = Host().background == BackgroundState::kRunning ? 1 : 0;
  return S_OK;
}

}  // namespace tessary::host
