#pragma once
// Registry scripts (.rgs) carried as "REGISTRY" resources, run by the system's
// registrar (the IRegistrar class of atl.dll, present on every Windows).
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace tessary {

using ScriptReplacements = std::vector<std::pair<std::wstring, std::wstring>>;

// Runs resource `resourceId` of type "REGISTRY" of the module file, registering
// or unregistering, with %name% replaced by its value.
HRESULT RunRegistryScript(const std::wstring& moduleFile, UINT resourceId, bool install,
                          const ScriptReplacements& replacements);

// RunRegistryScript on the module this code is linked into, with %MODULE%
// replaced by that module's path besides the `extra` replacements.
HRESULT RunOwnRegistryScript(UINT resourceId, bool install, ScriptReplacements extra = {});

// A value as the script language wants it inside '...': single quotes doubled.
std::wstring EscapeForRegistryScript(const std::wstring& value);

// The text form of a GUID, in braces.
std::wstring GuidString(REFGUID guid);

}  // namespace tessary
