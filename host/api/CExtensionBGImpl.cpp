#include "CExtensionBGImpl.h"

#include "../program/HostProcess.h"
#include "FileAccess.h"
#include "MemberTable.h"

namespace tessary::host {

INTERFACEDATA* CExtensionBGImpl::MethodTable() {
  static PARAMDATA str[] = {{TableName(L"str"), VT_BSTR}};
  static PARAMDATA cb[] = {{TableName(L"cb"), VT_DISPATCH}};
  static PARAMDATA keyValueCb[] = {
      {TableName(L"key"), VT_BSTR}, {TableName(L"value"), VT_BSTR}, {TableName(L"cb"), VT_DISPATCH}};
  static PARAMDATA keyCb[] = {{TableName(L"key"), VT_BSTR}, {TableName(L"cb"), VT_DISPATCH}};
  static PARAMDATA n[] = {{TableName(L"n"), VT_I4}};
  static PARAMDATA str1str2[] = {{TableName(L"str1"), VT_BSTR}, {TableName(L"str2"), VT_BSTR}};
  static METHODDATA methods[] = {
      Method(L"getTextFile", 0, VT_BSTR, str, 1),
      Method(L"getExtUrl", 1, VT_BSTR),
      Method(L"getXMLHTTPRequest", 2, VT_DISPATCH),
      Method(L"log", 3, VT_EMPTY, str, 1),
      Method(L"setOnConnect", 4, VT_EMPTY, cb, 1),
      Method(L"setOnDisconnect", 5, VT_EMPTY, cb, 1),
      Method(L"setOnMessage", 6, VT_EMPTY, cb, 1),
      Method(L"openTab", 7, VT_EMPTY, str, 1),
      Method(L"itemSet", 8, VT_EMPTY, keyValueCb, 3),
      Method(L"itemGet", 9, VT_EMPTY, keyCb, 2),
      Method(L"itemDelete", 10, VT_EMPTY, str, 1),
      Method(L"firstRun", 11, VT_EMPTY),
      Method(L"checkUpdate", 12, VT_EMPTY),
      Method(L"setIcon", 13, VT_EMPTY, n, 1),
      Method(L"saveToFile", 14, VT_EMPTY, str1str2, 2),
      Method(L"activeTab", 15, VT_I4),
  };
  static INTERFACEDATA table = {methods, ARRAYSIZE(methods)};
  return &table;
}

BSTR CExtensionBGImpl::getTextFile(BSTR) { return nullptr; }

BSTR CExtensionBGImpl::getExtUrl() { return ExtensionUrl(Host().directories.ProgramFolder()); }

IDispatch* CExtensionBGImpl::getXMLHTTPRequest() { return nullptr; }

void CExtensionBGImpl::log(BSTR str) { Host().log.Trace() << "BG Script: " << str; }

void CExtensionBGImpl::setOnConnect(IDispatch*) {}

void CExtensionBGImpl::setOnDisconnect(IDispatch*) {}

void CExtensionBGImpl::setOnMessage(IDispatch*) {}

void CExtensionBGImpl::openTab(BSTR) {}

void CExtensionBGImpl::itemSet(BSTR, BSTR, IDispatch*) {}

void CExtensionBGImpl::itemGet(BSTR, IDispatch*) {}

void CExtensionBGImpl::itemDelete(BSTR) {}

void CExtensionBGImpl::firstRun() {}

void CExtensionBGImpl::checkUpdate() {}

void CExtensionBGImpl::setIcon(int) {}

void CExtensionBGImpl::saveToFile(BSTR, BSTR) {}

int CExtensionBGImpl::activeTab() { return 0; }

}  // namespace tessary::host
