#pragma once
// IDispatch of a dual interface, answered from the module's own type library,
// and IProvideClassInfo for a class of that library.
#include <windows.h>
#include <ocidl.h>
#include <oleauto.h>

#include <wrl/client.h>

#include "TypeLibrary.h"

namespace tessary {

template <class Interface>
class TypeLibDispatch : public Interface {
 public:
  IFACEMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  IFACEMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    if (index != 0) return DISP_E_BADINDEX;
    return GetModuleTypeInfo(__uuidof(Interface), info);
  }
  IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    Microsoft::WRL::ComPtr<ITypeInfo> info;
    const HRESULT hr = GetModuleTypeInfo(__uuidof(Interface), &info);
    return FAILED(hr) ? hr : ::DispGetIDsOfNames(info.Get(), names, count, ids);
  }
  IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override {
    if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    Microsoft::WRL::ComPtr<ITypeInfo> info;
    const HRESULT hr = GetModuleTypeInfo(__uuidof(Interface), &info);
    if (FAILED(hr)) return hr;
    return ::DispInvoke(static_cast<Interface*>(this), info.Get(), id, flags, params, result, exception,
                        argError);
  }
};

template <const CLSID* Clsid>
class ProvideClassInfo : public IProvideClassInfo {
 public:
  IFACEMETHODIMP GetClassInfo(ITypeInfo** info) override {
    if (!info) return E_POINTER;
    return GetModuleTypeInfo(*Clsid, info);
  }
};

}  // namespace tessary
