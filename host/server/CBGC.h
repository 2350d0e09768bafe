#pragma once
// The class that page agents create in the host process: their channel to the
// background page.
#include "HostObject.h"
#include "Tessary.h"

namespace tessary::host {

class CBGC : public HostObject<IBGC, &CLSID_CBGC> {
 public:
  static const QITAB* Interfaces();

  // IBGC
  IFACEMETHODIMP connect(int tabId, IDispatch* pDisp, BSTR url) override;
  IFACEMETHODIMP disconnect(int tabId, IDispatch* pDisp) override;
  IFACEMETHODIMP dispatchMsg(BSTR msg, int tabId) override;
  IFACEMETHODIMP log(BSTR msg, int tabId) override;
  IFACEMETHODIMP getState(int* pInt) override;
};

}  // namespace tessary::host
