#pragma once
// The tab channel: the object through which the background page answers the
// content scripts of this tab. The host calls its one method, `send`.
#include <windows.h>
#include <oleauto.h>

#include <wrl/client.h>

#include "ComObject.h"
#include "ScriptMethodTable.h"

namespace tessary::pagelet {

class CSimpleScriptSite;

// The channel's one method, declared once for its slot and its member table.
#define TESSARY_TAB_CHANNEL_METHODS(METHOD) METHOD(void, send, (BSTR), (L"str"))

TESSARY_SCRIPT_INTERFACE(CBHOHelperProt, TESSARY_TAB_CHANNEL_METHODS);

class CBHOHelper final : public CBHOHelperProt {
 public:
  explicit CBHOHelper(CSimpleScriptSite& site) : site_(site) {}
  static INTERFACEDATA* MethodTable();
  void STDMETHODCALLTYPE send(BSTR str) override;

 private:
  CSimpleScriptSite& site_;
};

// What the host holds: the channel's standard dispatcher behind a door that the
// script context closes when it ends, so that a late call from the host never
// reaches the objects the context has deleted.
class TabChannel : public ComObjectRoot, public IDispatch {
 public:
  static const QITAB* Interfaces();
  void Open(IDispatch* dispatcher) { dispatcher_ = dispatcher; }
  // Refuses every later call and cuts off the host's proxies.
  void Close();

  IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
  IFACEMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  IFACEMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

 private:
  Microsoft::WRL::ComPtr<IDispatch> dispatcher_;
};

}  // namespace tessary::pagelet
