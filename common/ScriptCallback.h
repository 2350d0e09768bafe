#pragma once
// Calling a script function object back, the one way the system does it: the
// default member (DISPID 0) as a method, positional arguments, result ignored.
#include <windows.h>
#include <oleauto.h>

#include <initializer_list>

namespace tessary {

// Arguments in their natural order; they stay owned by the caller (see Variant.h
// for non-owning argument values). Returns the function's HRESULT for the few
// callers that care.
HRESULT CallScriptFunction(IDispatch* function, std::initializer_list<VARIANT> args);

}  // namespace tessary
