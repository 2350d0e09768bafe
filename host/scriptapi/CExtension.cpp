#include "CExtension.h"

#include <shlwapi.h>

#include <utility>

#include "CExtensionBGImpl.h"
#include "CExtensionPopupImpl.h"
#include "ExceptionBarrier.h"
#include "TableDispatch.h"

namespace tessary::host {
namespace {

template <class Implementation>
std::unique_ptr<void, void (*)(void*)> MakeImplementation() {
  return {new Implementation(), [](void* p) { delete static_cast<Implementation*>(p); }};
}

}  // namespace

CExtension::CExtension() : implementation_(nullptr, [](void*) {}) {}

CExtension::~CExtension() = default;

bool CExtension::init(bool popup) {
  implementation_ = popup ? MakeImplementation<CExtensionPopupImpl>() : MakeImplementation<CExtensionBGImpl>();
  INTERFACEDATA* table = popup ? CExtensionPopupImpl::MethodTable() : CExtensionBGImpl::MethodTable();
  TableDispatch dispatch;
  if (FAILED(CreateTableDispatch(table, LOCALE_SYSTEM_DEFAULT, implementation_.get(), &dispatch))) return false;
  typeInfo_ = std::move(dispatch.typeInfo);
  dispatcher_ = std::move(dispatch.dispatch);
  return true;
}

IFACEMETHODIMP CExtension::QueryInterface(REFIID riid, void** ppv) {
  static const QITAB interfaces[] = {
      QITABENT(CExtension, IDispatchEx),
      QITABENT(CExtension, IDispatch),
      {},
  };
  return QISearch(this, interfaces, riid, ppv);
}

IFACEMETHODIMP_(ULONG) CExtension::AddRef() { return ++refs_; }

IFACEMETHODIMP_(ULONG) CExtension::Release() { return --refs_; }

IFACEMETHODIMP CExtension::GetTypeInfoCount(UINT*) { return E_NOTIMPL; }

IFACEMETHODIMP CExtension::GetTypeInfo(UINT, LCID, ITypeInfo**) { return E_NOTIMPL; }

IFACEMETHODIMP CExtension::GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID, DISPID* ids) {
  return ExceptionBarrier([&] {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!typeInfo_) return E_UNEXPECTED;
    return ::DispGetIDsOfNames(typeInfo_.Get(), names, count, ids);
  });
}

// Script engines call through InvokeEx only.
IFACEMETHODIMP CExtension::Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return ExceptionBarrier([&] { return E_NOTIMPL; });
}

IFACEMETHODIMP CExtension::GetDispID(BSTR name, DWORD, DISPID* id) {
  return ExceptionBarrier([&] {
    if (!dispatcher_) return E_UNEXPECTED;
    return dispatcher_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, id);
  });
}

IFACEMETHODIMP CExtension::InvokeEx(DISPID id, LCID, WORD, DISPPARAMS* params, VARIANT* result,
                                    EXCEPINFO* exception, IServiceProvider*) {
  return ExceptionBarrier([&] {
    if (!dispatcher_) return E_UNEXPECTED;
    return dispatcher_->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, params, result, exception,
                               nullptr);
  });
}


}  // namespace tessary::host
