#pragma once
// Reading the arguments of DWebBrowserEvents2 events. Internet Explorer passes
// URLs as variants by reference holding a string, and Cancel as a boolean by
// reference; both readers also accept the plain forms.
#include <windows.h>
#include <oleauto.h>

namespace tessary {

// The event's i-th argument in declaration order (DISPPARAMS holds them reversed);
// null when there are fewer.
const VARIANT* EventArgument(const DISPPARAMS* params, UINT index);

// The string an argument holds, or null.
BSTR EventString(const VARIANT* argument);
// The interface an argument holds, or null (not counted).
IDispatch* EventDispatch(const VARIANT* argument);
// Where a by-reference boolean argument is to be written, or null.
VARIANT_BOOL* EventBoolReference(const VARIANT* argument);

}  // namespace tessary
