#include "CExtensionBGImpl.h"

#include "ApiState.h"
#include "FileAccess.h"
#include "HostMessages.h"
#include "HostNames.h"
#include "HostProcess.h"
#include "MemberTable.h"
#include "SaveToFile.h"
#include "StorageApi.h"
#include "TabsApi.h"
#include "UpdateThread.h"
#include "XmlHttpRequest.h"

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

namespace {

void SetHandler(HandlerSlot slot, IDispatch* cb) {
  if (HWND window = Host().backgroundWindow) {
    ::SendMessageW(window, WM_BG_SET_HANDLER, slot, reinterpret_cast<LPARAM>(cb));
  }
}

}  // namespace

BSTR CExtensionBGImpl::getTextFile(BSTR str) {
  HostProcess& host = Host();
  return ReadCustomizationFile(host.directories.CustomizationFolder(), str, host.log);
}

BSTR CExtensionBGImpl::getExtUrl() { return ExtensionUrl(Host().directories.ProgramFolder()); }

IDispatch* CExtensionBGImpl::getXMLHTTPRequest() { return NewXmlHttpRequest(); }

void CExtensionBGImpl::log(BSTR str) { Host().log.Trace() << kBackgroundScriptLog << str; }

void CExtensionBGImpl::setOnConnect(IDispatch* cb) { SetHandler(kConnectHandler, cb); }

void CExtensionBGImpl::setOnDisconnect(IDispatch* cb) { SetHandler(kDisconnectHandler, cb); }

void CExtensionBGImpl::setOnMessage(IDispatch* cb) { SetHandler(kMessageHandler, cb); }

void CExtensionBGImpl::openTab(BSTR str) { OpenTab(str); }

void CExtensionBGImpl::itemSet(BSTR key, BSTR value, IDispatch* cb) {
  ItemSet(Api().storage, Host().log, key, value, cb);
}

void CExtensionBGImpl::itemGet(BSTR key, IDispatch* cb) { ItemGet(Api().storage, Host().log, key, cb); }

void CExtensionBGImpl::itemDelete(BSTR str) { ItemDelete(Api().storage, Host().log, str); }

void CExtensionBGImpl::firstRun() { FirstRun(Host().log); }

void CExtensionBGImpl::checkUpdate() { StartUpdateCheck(); }

void CExtensionBGImpl::setIcon(int n) { SetIcon(n, &Api().authenticated, Host().log); }

void CExtensionBGImpl::saveToFile(BSTR str1, BSTR str2) { SaveToFile(str1, str2, Host().log); }

int CExtensionBGImpl::activeTab() { return ActiveTab(Host().log); }

}  // namespace tessary::host
