#include "ExceptionInfo.h"

#include <cstdio>

namespace tessary {

std::wstring ErrorCodeText(HRESULT hr) {
  wchar_t code[24];
  std::swprintf(code, 24, L"error 0x%08lX", static_cast<unsigned long>(hr));
  return code;
}

std::wstring ExceptionInfo::Text() {
  if (info_.pfnDeferredFillIn && !info_.bstrDescription) {
    info_.pfnDeferredFillIn(&info_);
    info_.pfnDeferredFillIn = nullptr;
  }
  if (info_.bstrDescription && *info_.bstrDescription) return std::wstring(Description());
  if (!info_.scode && !info_.wCode) return L"";
  return ErrorCodeText(info_.scode ? info_.scode : static_cast<HRESULT>(info_.wCode));
}

}  // namespace tessary
