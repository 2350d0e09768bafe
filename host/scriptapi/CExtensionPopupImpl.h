#pragma once
// The popup page's extension methods, laid out like CExtensionBGImpl: the order
// of the virtual functions is the order of the member table.
#include <windows.h>
#include <oleauto.h>

namespace tessary::host {

class CExtensionPopupImpl final {
 public:
  static INTERFACEDATA* MethodTable();

  virtual IDispatch* STDMETHODCALLTYPE getBackgroundWindow();
  virtual void STDMETHODCALLTYPE log(BSTR str);
  virtual void STDMETHODCALLTYPE setPopupState(BSTR str);
  virtual BSTR STDMETHODCALLTYPE getPopupState();
  virtual void STDMETHODCALLTYPE releaseBG();
};

}  // namespace tessary::host
