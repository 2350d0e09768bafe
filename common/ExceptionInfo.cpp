#include "ExceptionInfo.h"

#include <cstdio>

namespace tessary {

std::wstring ExceptionInfo::Text() {
  if (info_.pfnDeferredFillIn && !info_.bstrDescription) {
    info_.pfnDeferredFillIn(&info_);
    info_.pfnDeferredFillIn = nullptr;
  }
  if (info_.bstrDescription && *info_.bstrDescription) return std::wstring(Description());
  if (!info_.scode && !info_.wCode) return L"";
  wchar_t code[24];
  std::swprintf(code, 24, L"error 0x%08lX", static_cast<unsigned long>(info_.scode ? info_.scode : info_.wCode));
  return code;
}

}  // namespace tessary
