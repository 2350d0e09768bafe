#include "CExtensionPopupImpl.h"

#include "../program/HostProcess.h"
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

IDispatch* CExtensionPopupImpl::getBackgroundWindow() { return nullptr; }

void CExtensionPopupImpl::log(BSTR str) { Host().log.Trace() << "Popup Script: " << str; }

void CExtensionPopupImpl::setPopupState(BSTR) {}

BSTR CExtensionPopupImpl::getPopupState() { return nullptr; }

void CExtensionPopupImpl::releaseBG() {}

}  // namespace tessary::host
