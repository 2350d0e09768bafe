#pragma once
// The class that toolbar bands create in the host process: the popup and the
// authorization state.
#include "HostObject.h"
#include "Tessary.h"

namespace tessary::host {

class CBG : public HostObject<IBG, &CLSID_CBG> {
 public:
  static const QITAB* Interfaces();

  // IBG
  IFACEMETHODIMP showPopup(int x, int y) override;
  IFACEMETHODIMP getAuthState(int* pInt) override;
};

}  // namespace tessary::host
