#pragma once
// Calling script objects: a method by DISPID, and a function object the one way
// the system calls callbacks (the default member as a method, result ignored).
#include <windows.h>
#include <oleauto.h>

#include <initializer_list>
#include <string>

namespace tessary {

// Arguments in their natural order; they stay owned by the caller (see Variant.h
// for non-owning argument values). The result, when asked for, is the caller's;
// so is what a failed call says (a script exception's text, or the code).
HRESULT InvokeMethod(IDispatch* object, DISPID id, std::initializer_list<VARIANT> args, VARIANT* result = nullptr,
                     std::wstring* raised = nullptr);

// The same for a method looked up by name first.
HRESULT InvokeByName(IDispatch* object, const wchar_t* name, std::initializer_list<VARIANT> args,
                     VARIANT* result = nullptr, LCID locale = LOCALE_SYSTEM_DEFAULT);

// DISPID 0, DISPATCH_METHOD, locale 0, result ignored. Returns the function's
// HRESULT for the few callers that care; E_POINTER for no function.
HRESULT CallScriptFunction(IDispatch* function, std::initializer_list<VARIANT> args, std::wstring* raised = nullptr);

// A property read by name; the value is the caller's.
HRESULT GetPropertyByName(IDispatch* object, const wchar_t* name, VARIANT* value);

}  // namespace tessary
