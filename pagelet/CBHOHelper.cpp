#include "CBHOHelper.h"

#include <shlwapi.h>

#include "CSimpleScriptSite.h"
#include "ExceptionBarrier.h"
#include "Failures.h"

namespace tessary::pagelet {

INTERFACEDATA* CBHOHelper::MethodTable() {
  static ScriptMethodTable table(TESSARY_SCRIPT_METHODS(TESSARY_TAB_CHANNEL_METHODS));
  return table.Data();
}

void CBHOHelper::send(BSTR str) {
  return ScriptMethodBarrier([&] { site_.OnHostMessage(str); });
}

const QITAB* TabChannel::Interfaces() {
  static const QITAB interfaces[] = {QITABENT(TabChannel, IDispatch), {}};
  return interfaces;
}

void TabChannel::Close() {
  dispatcher_.Reset();
  LOG_IF_FAILED(::CoDisconnectObject(static_cast<IDispatch*>(this), 0));
}

IFACEMETHODIMP TabChannel::GetTypeInfoCount(UINT* count) {
  return ExceptionBarrier([&] {
    if (!count) return E_POINTER;
    *count = 0;
    return dispatcher_ ? dispatcher_->GetTypeInfoCount(count) : S_OK;
  });
}

IFACEMETHODIMP TabChannel::GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) {
  return ExceptionBarrier([&] { return dispatcher_ ? dispatcher_->GetTypeInfo(index, lcid, info) : E_UNEXPECTED; });
}

IFACEMETHODIMP TabChannel::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) {
  return ExceptionBarrier(
      [&] { return dispatcher_ ? dispatcher_->GetIDsOfNames(riid, names, count, lcid, ids) : E_UNEXPECTED; });
}

IFACEMETHODIMP TabChannel::Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params,
                                  VARIANT* result, EXCEPINFO* exception, UINT* argError) {
  return ExceptionBarrier([&] {
    // The call may end the context (and close this door): hold the dispatcher.
    Microsoft::WRL::ComPtr<IDispatch> dispatcher = dispatcher_;
    return dispatcher ? dispatcher->Invoke(id, riid, lcid, flags, params, result, exception, argError)
                      : RPC_E_DISCONNECTED;
  });
}

}  // namespace tessary::pagelet
