#pragma once
// The content scripts' `extension` object. The standard dispatcher calls these
// methods by virtual-table slot: their one list below gives both the slots
// (CExtensionProt) and the member table (ScriptMethodTable.h).
#include <windows.h>
#include <oleauto.h>

#include "ScriptMethodTable.h"

namespace tessary::pagelet {

class CSimpleScriptSite;

// The methods in slot order: result, name, parameter types, parameter names.
#define TESSARY_CONTENT_EXTENSION_METHODS(METHOD)                                           \
  METHOD(void, send, (BSTR), (L"str"))                                                      \
  METHOD(void, setOnMessage, (IDispatch*), (L"disp"))                                       \
  METHOD(void, connect, (), ())                                                             \
  METHOD(void, prepareDialog, (BSTR, BSTR, IDispatch*), (L"name", L"content", L"cb"))       \
  METHOD(void, log, (BSTR), (L"str"))                                                       \
  METHOD(void, setTimeout, (IDispatch*, int), (L"fn", L"to"))                               \
  METHOD(IDispatch*, frames, (int), (L"long"))                                              \
  METHOD(void, setHandler, (IDispatch*, BSTR, IDispatch*), (L"el", L"evtname", L"handler")) \
  METHOD(VARIANT_BOOL, isActiveTab, (), ())

TESSARY_SCRIPT_INTERFACE(CExtensionProt, TESSARY_CONTENT_EXTENSION_METHODS);

// Every operation but `log` goes to the site of its script context. The
// dispatcher's caller is the script engine: no exception leaves a method.
class CExtension final : public CExtensionProt {
 public:
  explicit CExtension(CSimpleScriptSite& site) : site_(site) {}
  static INTERFACEDATA* MethodTable();

  void STDMETHODCALLTYPE send(BSTR str) override;
  void STDMETHODCALLTYPE setOnMessage(IDispatch* disp) override;
  void STDMETHODCALLTYPE connect() override;
  void STDMETHODCALLTYPE prepareDialog(BSTR name, BSTR content, IDispatch* cb) override;
  void STDMETHODCALLTYPE setTimeout(IDispatch* fn, int to) override;
  // Through the host's log for an extension in development; nothing otherwise.
  void STDMETHODCALLTYPE log(BSTR text) override;
  IDispatch* STDMETHODCALLTYPE frames(int index) override;
  void STDMETHODCALLTYPE setHandler(IDispatch* el, BSTR evtname, IDispatch* handler) override;
  VARIANT_BOOL STDMETHODCALLTYPE isActiveTab() override;

 private:
  CSimpleScriptSite& site_;
};

}  // namespace tessary::pagelet
