#pragma once
// A script-callable object for the tests: every method name is accepted, and
// each call is recorded with its arguments as strings and the calling thread.
#include <windows.h>
#include <oleauto.h>

#include <algorithm>
#include <string>
#include <vector>

#include "ComObject.h"
#include "Variant.h"

namespace tessary::test {

class CallRecorder : public ComObjectRoot, public IDispatch {
 public:
  struct Call {
    std::wstring name;
    std::vector<std::wstring> args;
    DWORD thread = 0;
  };

  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {QITABENT(CallRecorder, IDispatch), {}};
    return interfaces;
  }

  const std::vector<Call>& Calls() const { return calls_; }
  // The first argument of every call of that name, in order.
  std::vector<std::wstring> Values(const std::wstring& name) const {
    std::vector<std::wstring> values;
    for (const auto& call : calls_) {
      if (call.name == name) values.push_back(call.args.empty() ? L"" : call.args[0]);
    }
    return values;
  }

  IFACEMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    auto found = std::find(names_.begin(), names_.end(), names[0]);
    if (found == names_.end()) found = names_.insert(found, names[0]);
    ids[0] = static_cast<DISPID>(found - names_.begin() + 1);
    return S_OK;
  }
  IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    if (id < 1 || id > static_cast<DISPID>(names_.size())) return DISP_E_MEMBERNOTFOUND;
    Call call{names_[id - 1], {}, ::GetCurrentThreadId()};
    for (UINT i = params->cArgs; i > params->cNamedArgs; --i) {
      Variant text;
      ::VariantChangeType(text.Get(), &params->rgvarg[i - 1], 0, VT_BSTR);
      call.args.push_back(text->vt == VT_BSTR && text->bstrVal ? text->bstrVal : L"");
    }
    calls_.push_back(call);
    return S_OK;
  }

 private:
  std::vector<std::wstring> names_;
  std::vector<Call> calls_;
};

}  // namespace tessary::test
