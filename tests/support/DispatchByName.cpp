#include "DispatchByName.h"

#include "ScriptCallback.h"
#include "Variant.h"

namespace tessary::test {
namespace {

HRESULT IdOf(IDispatch* object, const std::wstring& name, DISPID* id) {
  if (!object) return E_POINTER;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
  return object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, id);
}

}  // namespace

HRESULT CallByName(IDispatch* object, const std::wstring& name, std::initializer_list<VARIANT> args, VARIANT* result) {
  return InvokeByName(object, name.c_str(), args, result);
}

HRESULT GetByName(IDispatch* object, const std::wstring& name, VARIANT* result) {
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = IdOf(object, name, &id);
  if (FAILED(hr)) return hr;
  DISPPARAMS none = {};
  return object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, result, nullptr, nullptr);
}

HRESULT PutByName(IDispatch* object, const std::wstring& name, VARIANT value) {
  DISPID id = DISPID_UNKNOWN;
  const HRESULT hr = IdOf(object, name, &id);
  if (FAILED(hr)) return hr;
  DISPID put = DISPID_PROPERTYPUT;
  DISPPARAMS params = {&value, &put, 1, 1};
  return object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr, nullptr, nullptr);
}

std::wstring GetStringByName(IDispatch* object, const std::wstring& name) {
  if (!object) return L"<no object>";
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(IdOf(object, name, &id))) return L"<unknown name>";
  Variant value;
  if (FAILED(GetByName(object, name, value.Get()))) return L"<failed>";
  if (FAILED(::VariantChangeType(value.Get(), value.Get(), 0, VT_BSTR))) return L"<not a string>";
  return value->bstrVal ? value->bstrVal : L"";
}

}  // namespace tessary::test
