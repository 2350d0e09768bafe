#include "ScriptCallback.h"

#include <algorithm>
#include <vector>

#include "ExceptionInfo.h"
#include "Failures.h"
#include "Variant.h"

namespace tessary {

HRESULT InvokeMethod(IDispatch* object, DISPID id, std::initializer_list<VARIANT> args, VARIANT* result,
                     std::wstring* raised) {
  if (!object) return E_POINTER;
  // DISPPARAMS carries the last argument first. Calls take a few arguments: no
  // allocation for them.
  constexpr size_t kInline = 4;
  VARIANT inlineArgs[kInline];
  std::vector<VARIANT> manyArgs;
  VARIANT* reversed = inlineArgs;
  if (args.size() > kInline) {
    manyArgs.resize(args.size());
    reversed = manyArgs.data();
  }
  std::reverse_copy(args.begin(), args.end(), reversed);
  DISPPARAMS params = {reversed, nullptr, static_cast<UINT>(args.size()), 0};
  Variant ignored;
  ExceptionInfo exception;
  UINT argError = static_cast<UINT>(-1);
  const HRESULT hr = object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result ? result : ignored.Get(),
                                    exception.Put(), &argError);
  if (FAILED(hr) && raised) *raised = exception.Text();
  return hr;
}

HRESULT InvokeByName(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT> args, VARIANT* result,
                     LCID locale) {
  if (!object) return E_POINTER;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, locale, &id);
  return FAILED(hr) ? hr : InvokeMethod(object, id, args, result);
}

HRESULT CallScriptFunction(IDispatch* function, std::initializer_list<VARIANT> args, std::wstring* raised) {
  return InvokeMethod(function, DISPID_VALUE, args, nullptr, raised);
}

HRESULT GetPropertyByName(IDispatch* object, const wchar_t* name, VARIANT* value) {
  if (!object || !value) return E_POINTER;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
  DISPID id = DISPID_UNKNOWN;
  RETURN_IF_FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id));
  DISPPARAMS none = {};
  return object->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_PROPERTYGET, &none, value, nullptr, nullptr);
}

}  // namespace tessary
