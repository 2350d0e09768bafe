#include "CExtensionBGImpl.h"

#include "ApiState.h"
#include "ExceptionBarrier.h"
#include "FileAccess.h"
#include "HostMessages.h"
#include "HostNames.h"
#include "HostProcess.h"
#include "SaveToFile.h"
#include "StorageApi.h"
#include "TabsApi.h"
#include "UpdateThread.h"
#include "XmlHttpRequest.h"

namespace tessary::host {

INTERFACEDATA* CExtensionBGImpl::MethodTable() {
  static ScriptMethodTable table(TESSARY_SCRIPT_METHODS(TESSARY_BACKGROUND_EXTENSION_METHODS));
  return table.Data();
}

namespace {

void SetHandler(HandlerSlot slot, IDispatch* cb) {
  if (HWND window = Host().backgroundWindow) {
    ::SendMessageW(window, WM_BG_SET_HANDLER, slot, reinterpret_cast<LPARAM>(cb));
  }
}

}  // namespace

BSTR CExtensionBGImpl::getTextFile(BSTR str) {
  return ScriptMethodBarrier<BSTR>(nullptr, [&] {
    HostProcess& host = Host();
    return ReadCustomizationFile(host.directories.CustomizationFolder(), str, host.log);
  });
}

BSTR CExtensionBGImpl::getExtUrl() {
  return ScriptMethodBarrier<BSTR>(nullptr, [&] { return ExtensionUrl(Host().directories.ProgramFolder()); });
}

IDispatch* CExtensionBGImpl::getXMLHTTPRequest() {
  return ScriptMethodBarrier<IDispatch*>(nullptr, [&] { return NewXmlHttpRequest(); });
}

void CExtensionBGImpl::log(BSTR str) {
  ScriptMethodBarrier([&] { Host().log.Trace() << kBackgroundScriptLog << str; });
}

void CExtensionBGImpl::setOnConnect(IDispatch* cb) {
  ScriptMethodBarrier([&] { SetHandler(kConnectHandler, cb); });
}

void CExtensionBGImpl::setOnDisconnect(IDispatch* cb) {
  ScriptMethodBarrier([&] { SetHandler(kDisconnectHandler, cb); });
}

void CExtensionBGImpl::setOnMessage(IDispatch* cb) {
  ScriptMethodBarrier([&] { SetHandler(kMessageHandler, cb); });
}

void CExtensionBGImpl::openTab(BSTR str) {
  ScriptMethodBarrier([&] { OpenTab(str); });
}

void CExtensionBGImpl::itemSet(BSTR key, BSTR value, IDispatch* cb) {
  ScriptMethodBarrier([&] { ItemSet(Api().storage, Host().log, key, value, cb); });
}

void CExtensionBGImpl::itemGet(BSTR key, IDispatch* cb) {
  ScriptMethodBarrier([&] { ItemGet(Api().storage, Host().log, key, cb); });
}

void CExtensionBGImpl::itemDelete(BSTR str) {
  ScriptMethodBarrier([&] { ItemDelete(Api().storage, Host().log, str); });
}

void CExtensionBGImpl::firstRun() {
  ScriptMethodBarrier([&] { FirstRun(Host().log); });
}

void CExtensionBGImpl::checkUpdate() {
  ScriptMethodBarrier([&] { StartUpdateCheck(); });
}

void CExtensionBGImpl::setIcon(int n) {
  ScriptMethodBarrier([&] { SetIcon(n, &Api().authenticated, Host().log); });
}

void CExtensionBGImpl::saveToFile(BSTR str1, BSTR str2) {
  ScriptMethodBarrier([&] { SaveToFile(str1, str2, Host().log); });
}

int CExtensionBGImpl::activeTab() {
  return ScriptMethodBarrier(0, [&] { return ActiveTab(Host().log); });
}

}  // namespace tessary::host
