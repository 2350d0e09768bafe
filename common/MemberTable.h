#pragma once
// Building blocks for the static member tables of the script objects.
#include <windows.h>
#include <oleauto.h>

namespace tessary {

// METHODDATA wants writable strings; the dispatcher only reads them.
inline OLECHAR* TableName(const wchar_t* name) { return const_cast<OLECHAR*>(name); }

// One method of a table: DISPID is its slot + 1.
inline METHODDATA Method(const wchar_t* name, UINT slot, VARTYPE result, PARAMDATA* params = nullptr,
                         UINT paramCount = 0) {
  return METHODDATA{TableName(name), params, static_cast<DISPID>(slot + 1), slot, CC_STDCALL, paramCount,
                    DISPATCH_METHOD, result};
}

}  // namespace tessary
