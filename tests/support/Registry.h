#pragma once
// Reading (and, for set-up, writing) the registry from tests.
#include <windows.h>

#include <optional>
#include <string>

namespace tessary::test {

// `view` may pick a registry view (KEY_WOW64_32KEY, KEY_WOW64_64KEY); by
// default the caller's own.
bool KeyExists(HKEY root, const std::wstring& path, REGSAM view = 0);
bool ValueExists(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view = 0);
// The string value (REG_SZ); name empty for the default value.
std::optional<std::wstring> ReadString(HKEY root, const std::wstring& path, const std::wstring& name = L"",
                                       REGSAM view = 0);
std::optional<DWORD> ReadDword(HKEY root, const std::wstring& path, const std::wstring& name);
bool CreateKey(HKEY root, const std::wstring& path);
// Creates the key as needed.
bool WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value);
void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name);
void DeleteTree(HKEY root, const std::wstring& path);
// Copies a whole key, with its values and sub-keys.
bool CopyTree(HKEY root, const std::wstring& from, const std::wstring& to);

}  // namespace tessary::test
