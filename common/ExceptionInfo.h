#pragma once
// Owner of an EXCEPINFO: a callee that fills one hands its strings to the
// caller, and they go with it.
#include <windows.h>
#include <oleauto.h>

#include <string>
#include <string_view>

#include "Bstr.h"

namespace tessary {

// A failure's code as the log shows it where nothing says more: "error 0x80004005".
std::wstring ErrorCodeText(HRESULT hr);

class ExceptionInfo {
 public:
  ExceptionInfo() = default;
  ~ExceptionInfo() { Clear(); }
  ExceptionInfo(const ExceptionInfo&) = delete;
  ExceptionInfo& operator=(const ExceptionInfo&) = delete;

  // Empty, ready to be filled.
  EXCEPINFO* Put() {
    Clear();
    return &info_;
  }
  const EXCEPINFO& Get() const { return info_; }
  std::wstring_view Description() const { return BstrView(info_.bstrDescription); }
  // What the exception says: its description, filled in first where the callee
  // deferred that, or its code; empty when the callee filled in nothing.
  std::wstring Text();

 private:
  void Clear() {
    ::SysFreeString(info_.bstrSource);
    ::SysFreeString(info_.bstrDescription);
    ::SysFreeString(info_.bstrHelpFile);
    info_ = {};
  }

  EXCEPINFO info_ = {};
};

}  // namespace tessary
