#pragma once
// Where the system calls into a deliverable (COM methods, window procedures,
// event sinks, the standard dispatcher's calls into script objects, thread
// starts), no C++ exception may leave: the system's code between here and any
// handler cannot pass it on, and the process would end. Such entry points run
// their body through ExceptionBarrier, which turns an exception into a failure
// result for the caller to report, or MessageBarrier for window procedures.
#include <windows.h>

#include <new>

namespace tessary {

// body() returns an HRESULT; running out of memory gives E_OUTOFMEMORY, any
// other exception E_UNEXPECTED.
template <class Body>
HRESULT ExceptionBarrier(Body&& body) noexcept {
  try {
    return body();
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  } catch (...) {
    return E_UNEXPECTED;
  }
}

// A script object's method, called by the standard dispatcher, answers with its
// own result rather than an HRESULT: an exception gives `fallback`, or nothing
// for a void method, and the script goes on (the dispatcher has no way to
// hand the failure to it).
template <class Body>
void ScriptMethodBarrier(Body&& body) noexcept {
  // The failure is the method's empty answer.
  (void)ExceptionBarrier([&] {
    body();
    return S_OK;
  });
}

template <class Result, class Body>
Result ScriptMethodBarrier(Result fallback, Body&& body) noexcept {
  Result result = fallback;
  // The failure is the fallback answer.
  (void)ExceptionBarrier([&] {
    result = body();
    return S_OK;
  });
  return result;
}

// A window or dialog procedure's body behind the barrier: an exception does
// not reach the system's message dispatch, and the message gets the answer
// of `otherwise()` instead (a window procedure's default handling; FALSE for
// a dialog procedure).
template <class Body, class Otherwise>
LRESULT MessageBarrier(Body&& body, Otherwise&& otherwise) noexcept {
  LRESULT result = 0;
  if (SUCCEEDED(ExceptionBarrier([&] {
        result = body();
        return S_OK;
      }))) {
    return result;
  }
  LRESULT fallback = 0;
  ExceptionBarrier([&] {
    fallback = otherwise();
    return S_OK;
  });
  return fallback;
}

}  // namespace tessary
