#pragma once
// The standard dispatcher over a plain C++ object whose virtual methods are laid
// out in the order of a static member table (METHODDATA), as the script objects
// of the host program and the page agent are built.
#include <windows.h>
#include <oleauto.h>

#include <wrl/client.h>

namespace tessary {

struct TableDispatch {
  // Type information of the table's interface (not of the coclass that
  // CreateDispTypeInfo wraps it in: the standard dispatcher needs the interface).
  Microsoft::WRL::ComPtr<ITypeInfo> typeInfo;
  Microsoft::WRL::ComPtr<IDispatch> dispatch;
};

HRESULT CreateTableDispatch(INTERFACEDATA* table, LCID lcid, void* object, TableDispatch* result);

}  // namespace tessary
