#pragma once
// The standard dispatcher over a plain C++ object whose virtual methods are laid
// out in the order of a static member table (METHODDATA), as the script objects
// of the host program and the page agent are built.
#include <windows.h>
#include <oleauto.h>

#include <wrl/client.h>

namespace tessary {

// Type information of a member table's interface (not of the coclass that
// CreateDispTypeInfo wraps it in: the standard dispatcher needs the interface).
HRESULT CreateTableTypeInfo(INTERFACEDATA* table, LCID lcid, Microsoft::WRL::ComPtr<ITypeInfo>* info);

// A standard dispatcher calling `object` as that type information describes it.
HRESULT CreateTableDispatcher(ITypeInfo* info, void* object, Microsoft::WRL::ComPtr<IDispatch>* dispatch);

struct TableDispatch {
  Microsoft::WRL::ComPtr<ITypeInfo> typeInfo;
  Microsoft::WRL::ComPtr<IDispatch> dispatch;
};

// Both of the above at once.
HRESULT CreateTableDispatch(INTERFACEDATA* table, LCID lcid, void* object, TableDispatch* result);

}  // namespace tessary
