#pragma once
// The background page's extension methods. The standard dispatcher calls them
// by virtual-table slot: their one list below gives both the slots and the
// member table (ScriptMethodTable.h).
#include <oleauto.h>
#include <windows.h>

#include "ScriptMethodTable.h"

namespace tessary::host {

// The methods in slot order: result, name, parameter types, parameter names.
#define TESSARY_BACKGROUND_EXTENSION_METHODS(METHOD)                         \
  METHOD(BSTR, getTextFile, (BSTR), (L"str"))                                \
  METHOD(BSTR, getExtUrl, (), ())                                            \
  METHOD(IDispatch*, getXMLHTTPRequest, (), ())                              \
  METHOD(void, log, (BSTR), (L"str"))                                        \
  METHOD(void, setOnConnect, (IDispatch*), (L"cb"))                          \
  METHOD(void, setOnDisconnect, (IDispatch*), (L"cb"))                       \
  METHOD(void, setOnMessage, (IDispatch*), (L"cb"))                          \
  METHOD(void, openTab, (BSTR), (L"str"))                                    \
  METHOD(void, itemSet, (BSTR, BSTR, IDispatch*), (L"key", L"value", L"cb")) \
  METHOD(void, itemGet, (BSTR, IDispatch*), (L"key", L"cb"))                 \
  METHOD(void, itemDelete, (BSTR), (L"str"))                                 \
  METHOD(void, firstRun, (), ())                                             \
  METHOD(void, checkUpdate, (), ())                                          \
  METHOD(void, setIcon, (int), (L"n"))                                       \
  METHOD(void, saveToFile, (BSTR, BSTR), (L"str1", L"str2"))                 \
  METHOD(int, activeTab, (), ())

TESSARY_SCRIPT_INTERFACE(BackgroundExtensionMethods, TESSARY_BACKGROUND_EXTENSION_METHODS);

// The dispatcher's caller is the page's script engine: no exception leaves a
// method.
class CExtensionBGImpl final : public BackgroundExtensionMethods {
 public:
  static INTERFACEDATA* MethodTable();

  BSTR STDMETHODCALLTYPE getTextFile(BSTR str) override;
  BSTR STDMETHODCALLTYPE getExtUrl() override;
  IDispatch* STDMETHODCALLTYPE getXMLHTTPRequest() override;
  void STDMETHODCALLTYPE log(BSTR str) override;
  void STDMETHODCALLTYPE setOnConnect(IDispatch* cb) override;
  void STDMETHODCALLTYPE setOnDisconnect(IDispatch* cb) override;
  void STDMETHODCALLTYPE setOnMessage(IDispatch* cb) override;
  void STDMETHODCALLTYPE openTab(BSTR str) override;
  void STDMETHODCALLTYPE itemSet(BSTR key, BSTR value, IDispatch* cb) override;
  void STDMETHODCALLTYPE itemGet(BSTR key, IDispatch* cb) override;
  void STDMETHODCALLTYPE itemDelete(BSTR str) override;
  void STDMETHODCALLTYPE firstRun() override;
  void STDMETHODCALLTYPE checkUpdate() override;
  void STDMETHODCALLTYPE setIcon(int n) override;
  void STDMETHODCALLTYPE saveToFile(BSTR str1, BSTR str2) override;
  int STDMETHODCALLTYPE activeTab() override;
};

}  // namespace tessary::host
