#pragma once
// A failed HRESULT at the programs' COM boundaries goes one of two ways:
//   RETURN_IF_FAILED(call)  to the caller, which knows what it was doing and
//                           reports it (or hands it on to its own caller);
//   LOG_IF_FAILED(call)     where nothing can be handed on: into the program's
//                           log with its call site and code in hex, then on.
// A failure ignored on purpose says why at its line, without either.
#include <windows.h>

namespace tessary {

// Where LOG_IF_FAILED writes: set once by the program as it starts (the host
// program's log); without one, the debugger's output.
using FailureSink = void (*)(const char* file, int line, const char* call, HRESULT hr);
void SetFailureSink(FailureSink sink);

// The call's result, unchanged; a failure is written to the sink first.
HRESULT LogIfFailed(HRESULT hr, const char* file, int line, const char* call);

}  // namespace tessary

#define RETURN_IF_FAILED(call)             \
  do {                                     \
    const HRESULT failure_ = (call);       \
    if (FAILED(failure_)) return failure_; \
  } while (false)

#define LOG_IF_FAILED(call) ::tessary::LogIfFailed((call), __FILE__, __LINE__, #call)
