#pragma once
// The type library embedded as resource TYPELIB 1 of a module file: loading it,
// registering it (per machine or per user) and reading type information from the
// current module's own library.
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace tessary {

enum class RegistrationScope { kMachine, kUser };

// Loads TYPELIB 1 of the file; failing that, the file with its extension replaced
// by ".tlb".
HRESULT LoadModuleTypeLib(const std::wstring& modulePath, ITypeLib** library);

// helpFolder may be empty for none.
HRESULT RegisterModuleTypeLib(const std::wstring& modulePath, const std::wstring& helpFolder,
                              RegistrationScope scope);
HRESULT UnregisterModuleTypeLib(const std::wstring& modulePath, RegistrationScope scope);

// The folder part (up to the last '\', '/' or ':') of the help file the library
// names; empty when it names none.
std::wstring HelpFolderOf(ITypeLib* library);

// Type information for an interface or class of the current module's library.
// The library is loaded once per process.
HRESULT GetModuleTypeInfo(REFGUID guid, ITypeInfo** info);

}  // namespace tessary
