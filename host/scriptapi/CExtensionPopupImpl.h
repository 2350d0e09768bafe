#pragma once
// The popup page's extension methods, declared like the background page's:
// one list gives both the slots and the member table.
#include <oleauto.h>
#include <windows.h>

#include "ScriptMethodTable.h"

namespace tessary::host {

// The methods in slot order: result, name, parameter types, parameter names.
#define TESSARY_POPUP_EXTENSION_METHODS(METHOD)   \
  METHOD(IDispatch*, getBackgroundWindow, (), ()) \
  METHOD(void, log, (BSTR), (L"str"))             \
  METHOD(void, setPopupState, (BSTR), (L"str"))   \
  METHOD(BSTR, getPopupState, (), ())             \
  METHOD(void, releaseBG, (), ())

TESSARY_SCRIPT_INTERFACE(PopupExtensionMethods, TESSARY_POPUP_EXTENSION_METHODS);

class CExtensionPopupImpl final : public PopupExtensionMethods {
 public:
  static INTERFACEDATA* MethodTable();

  IDispatch* STDMETHODCALLTYPE getBackgroundWindow() override;
  void STDMETHODCALLTYPE log(BSTR str) override;
  void STDMETHODCALLTYPE setPopupState(BSTR str) override;
  BSTR STDMETHODCALLTYPE getPopupState() override;
  void STDMETHODCALLTYPE releaseBG() override;
};

}  // namespace tessary::host
