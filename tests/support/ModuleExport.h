#pragma once
// Functions that a loaded module exports, typed as the caller declares them.
#include <windows.h>

namespace tessary::test {

// Null when there is no module or no such export. The detour through void*
// keeps the compiler from warning about a cast between function types.
template <class F>
F Export(HMODULE module, const char* name) {
  return module ? reinterpret_cast<F>(reinterpret_cast<void*>(::GetProcAddress(module, name))) : nullptr;
}

}  // namespace tessary::test
