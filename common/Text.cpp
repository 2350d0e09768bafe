#include "Text.h"

#include <windows.h>

namespace tessary {

bool ToAnsi(std::wstring_view text, std::string* result) {
  result->clear();
  if (text.empty()) return true;
  const int length = static_cast<int>(text.size());
  BOOL usedDefault = FALSE;
  const int size = ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr, 0,
                                         nullptr, &usedDefault);
  if (size <= 0 || usedDefault) return false;
  result->resize(size);
  ::WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text.data(), length, result->data(), size, nullptr,
                        nullptr);
  return true;
}

}  // namespace tessary
