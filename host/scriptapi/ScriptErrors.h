#pragma once
// Script errors of the background and popup pages, in the log: those the
// browser reports to its container (the pages' own code, timers and events)
// and those raised by the pages' functions that the host program calls.
#include <windows.h>

#include <initializer_list>

#include "Log.h"

namespace tessary::host {

// The browser's OLECMDID_SHOWSCRIPTERROR: the document whose window's event
// holds the error. One line: "<page> Script error in <file>, line <n>: <message>".
void LogReportedScriptError(IUnknown* document, const wchar_t* page, Log& log);

// Calls a page's function (a callback or handler) as the system calls them.
// The script engine reports the function's own errors to the browser, like any
// other; a call that fails otherwise is logged as
// "<page> Script error in <what>: <message>".
void CallPageFunction(IDispatch* function, std::initializer_list<VARIANT> args, const wchar_t* page,
                      const wchar_t* what, Log& log);

}  // namespace tessary::host
