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

// modulePath may name another library of the file than the first by its
// resource number ("...\TessaryBG.exe\2"). helpFolder may be empty for none.
HRESULT RegisterModuleTypeLib(const std::wstring& modulePath, const std::wstring& helpFolder,
                              RegistrationScope scope);
// A library that is registered for both kinds of process (win32 and win64,
// as the 32-bit and 64-bit builds of a module register it) loses only its
// entry for the kind it was built for, as long as the other kind's remains.
HRESULT UnregisterModuleTypeLib(const std::wstring& modulePath, RegistrationScope scope);

// The folder part (up to the last '\', '/' or ':') of the help file the library
// names; empty when it names none.
std::wstring HelpFolderOf(ITypeLib* library);

// Type information for an interface or class of the current module's library.
// The library is loaded once per process.
HRESULT GetModuleTypeInfo(REFGUID guid, ITypeInfo** info);

}  // namespace tessary
