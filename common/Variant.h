#pragma once
// Owner of a VARIANT, and non-owning VARIANT values for building DISPPARAMS.
#include <windows.h>
#include <oleauto.h>

namespace tessary {

class Variant {
 public:
  Variant() { ::VariantInit(&value_); }
  ~Variant() { ::VariantClear(&value_); }
  Variant(const Variant&) = delete;
  Variant& operator=(const Variant&) = delete;

  VARIANT* Get() { return &value_; }
  const VARIANT& operator*() const { return value_; }
  const VARIANT* operator->() const { return &value_; }
  VARIANT* Put() {
    ::VariantClear(&value_);
    return &value_;
  }

 private:
  VARIANT value_;
};

// Non-owning argument values for DISPPARAMS: whoever builds the call keeps the
// string or interface alive until the call returns.
inline VARIANT ArgBstr(BSTR value) {
  VARIANT v;
  v.vt = VT_BSTR;
  v.bstrVal = value;
  return v;
}
inline VARIANT ArgI4(LONG value) {
  VARIANT v;
  v.vt = VT_I4;
  v.lVal = value;
  return v;
}
inline VARIANT ArgBool(bool value) {
  VARIANT v;
  v.vt = VT_BOOL;
  v.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
  return v;
}
inline VARIANT ArgDispatch(IDispatch* value) {
  VARIANT v;
  v.vt = VT_DISPATCH;
  v.pdispVal = value;
  return v;
}

}  // namespace tessary
