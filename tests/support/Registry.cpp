#include "Registry.h"

#include <vector>

#include "UniqueHandle.h"

namespace tessary::test {

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view) {
  UniqueRegKey key;
  return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.Put()) == ERROR_SUCCESS;
}

bool ValueExists(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view) {
  UniqueRegKey key;
  return ::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.Put()) == ERROR_SUCCESS &&
         ::RegQueryValueExW(key.Get(), name.c_str(), nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS;
}

std::optional<std::wstring> ReadString(HKEY root, const std::wstring& path, const std::wstring& name, REGSAM view) {
  UniqueRegKey key;
  if (::RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, key.Put()) != ERROR_SUCCESS) return std::nullopt;
  const wchar_t* value = name.empty() ? nullptr : name.c_str();
  DWORD size = 0;
  if (::RegGetValueW(key.Get(), nullptr, value, RRF_RT_REG_SZ, nullptr, nullptr, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  std::vector<wchar_t> buffer(size / sizeof(wchar_t) + 1);
  if (::RegGetValueW(key.Get(), nullptr, value, RRF_RT_REG_SZ, nullptr, buffer.data(), &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return std::wstring(buffer.data());
}

std::optional<DWORD> ReadDword(HKEY root, const std::wstring& path, const std::wstring& name) {
  DWORD value = 0;
  DWORD size = sizeof(value);
  if (::RegGetValueW(root, path.c_str(), name.c_str(), RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS) {
    return std::nullopt;
  }
  return value;
}

bool CreateKey(HKEY root, const std::wstring& path) {
  UniqueRegKey key;
  return ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, key.Put(), nullptr) ==
         ERROR_SUCCESS;
}

bool WriteDword(HKEY root, const std::wstring& path, const std::wstring& name, DWORD value) {
  UniqueRegKey key;
  return ::RegCreateKeyExW(root, path.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, key.Put(), nullptr) ==
             ERROR_SUCCESS &&
         ::RegSetValueExW(key.Get(), name.c_str(), 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value),
                          sizeof(value)) == ERROR_SUCCESS;
}

void DeleteValue(HKEY root, const std::wstring& path, const std::wstring& name) {
  ::RegDeleteKeyValueW(root, path.c_str(), name.c_str());
}

void DeleteTree(HKEY root, const std::wstring& path) {
  ::RegDeleteTreeW(root, path.c_str());
  ::RegDeleteKeyW(root, path.c_str());
}

bool CopyTree(HKEY root, const std::wstring& from, const std::wstring& to) {
  UniqueRegKey source;
  UniqueRegKey target;
  if (::RegOpenKeyExW(root, from.c_str(), 0, KEY_READ, source.Put()) != ERROR_SUCCESS) return false;
  if (::RegCreateKeyExW(root, to.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, target.Put(), nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  return ::RegCopyTreeW(source.Get(), nullptr, target.Get()) == ERROR_SUCCESS;
}

}  // namespace tessary::test
