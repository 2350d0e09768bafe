#include "BrowserEvents.h"

namespace tessary {
namespace {

// Follows one level of VT_VARIANT | VT_BYREF, as events carry their values.
const VARIANT* Unwrapped(const VARIANT* argument) {
  if (argument && argument->vt == (VT_VARIANT | VT_BYREF)) return argument->pvarVal;
  return argument;
}

}  // namespace

const VARIANT* EventArgument(const DISPPARAMS* params, UINT index) {
  if (!params || index >= params->cArgs) return nullptr;
  return &params->rgvarg[params->cArgs - 1 - index];
}

BSTR EventString(const VARIANT* argument) {
  argument = Unwrapped(argument);
  if (!argument) return nullptr;
  if (argument->vt == VT_BSTR) return argument->bstrVal;
  if (argument->vt == (VT_BSTR | VT_BYREF) && argument->pbstrVal) return *argument->pbstrVal;
  return nullptr;
}

IDispatch* EventDispatch(const VARIANT* argument) {
  argument = Unwrapped(argument);
  if (!argument) return nullptr;
  if (argument->vt == VT_DISPATCH) return argument->pdispVal;
  if (argument->vt == (VT_DISPATCH | VT_BYREF) && argument->ppdispVal) return *argument->ppdispVal;
  return nullptr;
}

VARIANT_BOOL* EventBoolReference(const VARIANT* argument) {
  if (!argument) return nullptr;
  if (argument->vt == (VT_BOOL | VT_BYREF)) return argument->pboolVal;
  argument = Unwrapped(argument);
  return argument && argument->vt == (VT_BOOL | VT_BYREF) ? argument->pboolVal : nullptr;
}

}  // namespace tessary
