#include "ScriptCallback.h"

#include <algorithm>
#include <vector>

#include "Variant.h"

namespace tessary {

HRESULT CallScriptFunction(IDispatch* function, std::initializer_list<VARIANT> args) {
  if (!function) return E_POINTER;
  // DISPPARAMS carries the last argument first.
  std::vector<VARIANT> reversed(args.begin(), args.end());
  std::reverse(reversed.begin(), reversed.end());
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  Variant result;
  EXCEPINFO exception = {};
  UINT argError = static_cast<UINT>(-1);
  const HRESULT hr = function->Invoke(DISPID_VALUE, IID_NULL, 0, DISPATCH_METHOD, &params, result.Get(),
                                      &exception, &argError);
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrHelpFile);
  return hr;
}

}  // namespace tessary
