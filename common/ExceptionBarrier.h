#pragma once
// Where the system calls into a deliverable (COM methods, window procedures,
// event sinks, the standard dispatcher's calls into script objects), no C++
// exception may leave: the system's code between here and any handler cannot
// pass it on, and the process would end. Such entry points run their body
// through ExceptionBarrier, which turns an exception into a failure result for
// the caller to report.
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

}  // namespace tessary
