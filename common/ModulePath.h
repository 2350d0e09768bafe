#pragma once
// Paths of the binary that contains the calling code.
#include <windows.h>

#include <string>

namespace tessary {

// The module (executable or library) this code was linked into.
HMODULE CurrentModule();

// Full path of a module file, however long; empty on failure.
std::wstring ModuleFileName(HMODULE module);

// The part of a path up to and including its last backslash; empty without one.
std::wstring FolderOf(const std::wstring& path);

}  // namespace tessary
