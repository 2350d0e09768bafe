#include "CExtension.h"

#include <string>

#include "Bstr.h"
#include "CSimpleScriptSite.h"
#include "CpageletModule.h"
#include "MemberTable.h"

namespace tessary::pagelet {

INTERFACEDATA* CExtension::MethodTable() {
  static PARAMDATA str[] = {{TableName(L"str"), VT_BSTR}};
  static PARAMDATA disp[] = {{TableName(L"disp"), VT_DISPATCH}};
  static PARAMDATA dialog[] = {
      {TableName(L"name"), VT_BSTR}, {TableName(L"content"), VT_BSTR}, {TableName(L"cb"), VT_DISPATCH}};
  static PARAMDATA timeout[] = {{TableName(L"fn"), VT_DISPATCH}, {TableName(L"to"), VT_I4}};
  static PARAMDATA index[] = {{TableName(L"long"), VT_I4}};
  static PARAMDATA handler[] = {
      {TableName(L"el"), VT_DISPATCH}, {TableName(L"evtname"), VT_BSTR}, {TableName(L"handler"), VT_DISPATCH}};
  static METHODDATA methods[] = {
      Method(L"send", 0, VT_EMPTY, str, 1),
      Method(L"setOnMessage", 1, VT_EMPTY, disp, 1),
      Method(L"connect", 2, VT_EMPTY),
      Method(L"prepareDialog", 3, VT_EMPTY, dialog, 3),
      Method(L"log", 4, VT_EMPTY, str, 1),
      Method(L"setTimeout", 5, VT_EMPTY, timeout, 2),
      Method(L"frames", 6, VT_DISPATCH, index, 1),
      Method(L"setHandler", 7, VT_EMPTY, handler, 3),
      Method(L"isActiveTab", 8, VT_BOOL),
  };
  static INTERFACEDATA table = {methods, ARRAYSIZE(methods)};
  return &table;
}

void CExtension::send(BSTR str) { site_.Send(str); }
void CExtension::setOnMessage(IDispatch* disp) { site_.SetOnMessage(disp); }
void CExtension::connect() { site_.Connect(); }
void CExtension::prepareDialog(BSTR name, BSTR content, IDispatch* cb) { site_.PrepareDialog(name, content, cb); }
void CExtension::setTimeout(IDispatch* fn, int to) { site_.SetTimeout(fn, to); }
void CExtension::log(BSTR text) {
  if (CpageletModule::Get().DebugMode()) site_.HostLog(std::wstring(BstrView(text)));
}
IDispatch* CExtension::frames(int) { return nullptr; }
void CExtension::setHandler(IDispatch* el, BSTR evtname, IDispatch* handler) {
  site_.SetHandler(el, evtname, handler);
}
VARIANT_BOOL CExtension::isActiveTab() { return site_.IsActiveTab() ? VARIANT_TRUE : VARIANT_FALSE; }

}  // namespace tessary::pagelet
