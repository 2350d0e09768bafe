#pragma once
// Late-bound calls on script objects by member name, as drivers of a page make
// them: a page's global functions and variables through its window, DOM
// methods and properties through the stand-in's objects.
#include <windows.h>
#include <oleauto.h>

#include <initializer_list>
#include <string>

namespace tessary::test {

// Calls a method (a page's global function) by name; arguments in their
// natural order.
HRESULT CallByName(IDispatch* object, const std::wstring& name, std::initializer_list<VARIANT> args, VARIANT* result);
HRESULT GetByName(IDispatch* object, const std::wstring& name, VARIANT* result);
HRESULT PutByName(IDispatch* object, const std::wstring& name, VARIANT value);
// Reads a property (a page's global variable) by name, as a string; a text in
// angle brackets says what failed.
std::wstring GetStringByName(IDispatch* object, const std::wstring& name);

}  // namespace tessary::test
