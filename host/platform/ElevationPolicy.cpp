#include "ElevationPolicy.h"

#include <windows.h>

#include "HostNames.h"
#include "UniqueHandle.h"

namespace tessary::host {
namespace {

constexpr REGSAM kEntryAccess = KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_CREATE_SUB_KEY | KEY_ENUMERATE_SUB_KEYS | DELETE;

UniqueRegKey OpenPolicyRoot() {
  UniqueRegKey root;
  if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kElevationPolicyRoot, 0, KEY_CREATE_SUB_KEY, root.Put()) != ERROR_SUCCESS) {
    return {};
  }
  return root;
}

LSTATUS SetString(HKEY key, const wchar_t* name, const std::wstring& value) {
  return ::RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                          static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
}

}  // namespace

void WriteElevationPolicy(const std::wstring& programFolder, const std::wstring& programFileName) {
  UniqueRegKey root = OpenPolicyRoot();
  if (!root) return;
  UniqueRegKey entry;
  LSTATUS status = ::RegOpenKeyExW(root.Get(), kElevationPolicyKey, 0, kEntryAccess, entry.Put());
  if (status == ERROR_FILE_NOT_FOUND) {
    status = ::RegCreateKeyExW(root.Get(), kElevationPolicyKey, 0, nullptr, 0, KEY_CREATE_SUB_KEY | KEY_SET_VALUE,
                               nullptr, entry.Put(), nullptr);
  }
  if (status != ERROR_SUCCESS) return;
  const DWORD policy = 3;
  if (::RegSetValueExW(entry.Get(), kPolicyValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&policy),
                       sizeof(policy)) != ERROR_SUCCESS) {
    return;
  }
  if (SetString(entry.Get(), kAppNameValue, programFileName) != ERROR_SUCCESS) return;
  SetString(entry.Get(), kAppPathValue, programFolder);
}

void DeleteElevationPolicy() {
  UniqueRegKey root = OpenPolicyRoot();
  if (!root) return;
  UniqueRegKey entry;
  if (::RegOpenKeyExW(root.Get(), kElevationPolicyKey, 0, kEntryAccess, entry.Put()) != ERROR_SUCCESS) return;
  entry.Reset();
  // The process's own registry view, the one the entry was written in, whatever
  // the bitness of this build.
  ::RegDeleteKeyW(root.Get(), kElevationPolicyKey);
}

}  // namespace tessary::host
