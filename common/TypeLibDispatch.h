#pragma once
// IDispatch of a dual interface from a type library, and IProvideClassInfo
// for a class of the module's own library.
#include <ocidl.h>
#include <oleauto.h>
#include <windows.h>
#include <wrl/client.h>

#include "ExceptionBarrier.h"
#include "Failures.h"
#include "TypeLibrary.h"

namespace tessary {

// IDispatch of a dual interface from a type library. TypeInfo gives the
// interface's type information in its vtable form (the form the standard
// dispatcher calls through); Base is the interface or a class of stubs
// deriving from it.
template <HRESULT (*TypeInfo)(REFGUID, ITypeInfo**), class Interface, class Base = Interface>
class DualDispatch : public Base {
 public:
  IFACEMETHODIMP GetTypeInfoCount(UINT* count) override {
    return ExceptionBarrier([&] {
      if (!count) return E_POINTER;
      *count = 1;
      return S_OK;
    });
  }
  IFACEMETHODIMP GetTypeInfo(UINT index, LCID, ITypeInfo** info) override {
    return ExceptionBarrier([&] {
      if (!info) return E_POINTER;
      *info = nullptr;
      return index == 0 ? TypeInfo(__uuidof(Interface), info) : DISP_E_BADINDEX;
    });
  }
  IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    return ExceptionBarrier([&] {
      Microsoft::WRL::ComPtr<ITypeInfo> info;
      const HRESULT hr = TypeInfo(__uuidof(Interface), &info);
      return FAILED(hr) ? hr : ::DispGetIDsOfNames(info.Get(), names, count, ids);
    });
  }
  IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override {
    return ExceptionBarrier([&] {
      if (!IsEqualIID(riid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
      Microsoft::WRL::ComPtr<ITypeInfo> info;
      RETURN_IF_FAILED(TypeInfo(__uuidof(Interface), &info));
      return ::DispInvoke(static_cast<Interface*>(this), info.Get(), id, flags, params, result, exception, argError);
    });
  }
};

// Answered from the module's own type library.
template <class Interface>
using TypeLibDispatch = DualDispatch<&GetModuleTypeInfo, Interface>;

template <const CLSID* Clsid>
class ProvideClassInfo : public IProvideClassInfo {
 public:
  IFACEMETHODIMP GetClassInfo(ITypeInfo** info) override {
    return ExceptionBarrier([&] {
      if (!info) return E_POINTER;
      return GetModuleTypeInfo(*Clsid, info);
    });
  }
};

}  // namespace tessary
