#include "TypeLibrary.h"

#include <cwchar>

#include <wrl/client.h>

#include "Bstr.h"
#include "Failures.h"
#include "ModulePath.h"
#include "Registrar.h"
#include "SharedNames.h"
#include "UniqueHandle.h"

using Microsoft::WRL::ComPtr;

namespace tessary {
namespace {

using RegisterForUserFn = HRESULT(WINAPI*)(ITypeLib*, OLECHAR*, OLECHAR*);
using UnregisterForUserFn = HRESULT(WINAPI*)(REFGUID, WORD, WORD, LCID, SYSKIND);

// The per-user functions exist only on newer systems; look them up by name and
// fall back to the machine-wide ones.
template <class Fn>
Fn PerUserFunction(const char* name) {
  HMODULE oleaut = ::GetModuleHandleW(L"OLEAUT32.DLL");
  return oleaut ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(oleaut, name))) : nullptr;
}

std::wstring WithTlbExtension(const std::wstring& path) {
  const size_t dot = path.rfind(L'.');
  const size_t slash = path.find_last_of(L"\\/");
  const bool hasExtension = dot != std::wstring::npos && (slash == std::wstring::npos || dot > slash);
  return (hasExtension ? path.substr(0, dot) : path) + L".tlb";
}

// Where RegisterTypeLib and RegisterTypeLibForUser write.
HKEY ClassesRoot(RegistrationScope scope, UniqueRegKey* userClasses) {
  if (scope == RegistrationScope::kMachine) return HKEY_CLASSES_ROOT;
  ::RegOpenKeyExW(HKEY_CURRENT_USER, kUserClassesKey, 0, KEY_READ | KEY_WRITE, userClasses->Put());
  return userClasses->Get();
}

// TypeLib\{libid}\<major>.<minor>\<lcid>\win32 or win64, all numbers in hexadecimal.
std::wstring PlatformEntry(const TLIBATTR& a, SYSKIND syskind) {
  wchar_t version[48];
  swprintf(version, ARRAYSIZE(version), L"\\%x.%x\\%lx\\", a.wMajorVerNum, a.wMinorVerNum,
           static_cast<unsigned long>(a.lcid));
  return L"TypeLib\\" + GuidString(a.guid) + version + (syskind == SYS_WIN64 ? L"win64" : L"win32");
}

// The TypeLib key is one for both registry views, and the system's
// unregistration takes the library's interface keys out of both views: while
// the other kind of process still has the library registered, that would
// leave it without them. Then only this kind's own entry goes.
bool RemoveOwnEntryIfShared(const TLIBATTR& a, RegistrationScope scope, HRESULT* result) {
  if (a.syskind != SYS_WIN32 && a.syskind != SYS_WIN64) return false;
  UniqueRegKey userClasses;
  HKEY root = ClassesRoot(scope, &userClasses);
  if (!root) return false;
  const SYSKIND other = a.syskind == SYS_WIN64 ? SYS_WIN32 : SYS_WIN64;
  UniqueRegKey otherEntry;
  if (::RegOpenKeyExW(root, PlatformEntry(a, other).c_str(), 0, KEY_READ, otherEntry.Put()) != ERROR_SUCCESS) {
    return false;
  }
  const LSTATUS status = ::RegDeleteKeyW(root, PlatformEntry(a, a.syskind).c_str());
  *result = status == ERROR_SUCCESS || status == ERROR_FILE_NOT_FOUND ? S_OK : HRESULT_FROM_WIN32(status);
  return true;
}

}  // namespace

HRESULT LoadModuleTypeLib(const std::wstring& modulePath, ITypeLib** library) {
  HRESULT hr = ::LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, library);
  if (FAILED(hr)) hr = ::LoadTypeLibEx(WithTlbExtension(modulePath).c_str(), REGKIND_NONE, library);
  return hr;
}

HRESULT RegisterModuleTypeLib(const std::wstring& modulePath, const std::wstring& helpFolder,
                              RegistrationScope scope) {
  ComPtr<ITypeLib> library;
  RETURN_IF_FAILED(LoadModuleTypeLib(modulePath, &library));
  std::wstring path = modulePath;
  std::wstring help = helpFolder;
  OLECHAR* helpArg = help.empty() ? nullptr : help.data();
  if (scope == RegistrationScope::kUser) {
    if (auto registerForUser = PerUserFunction<RegisterForUserFn>("RegisterTypeLibForUser")) {
      return registerForUser(library.Get(), path.data(), helpArg);
    }
  }
  return ::RegisterTypeLib(library.Get(), path.data(), helpArg);
}

HRESULT UnregisterModuleTypeLib(const std::wstring& modulePath, RegistrationScope scope) {
  ComPtr<ITypeLib> library;
  RETURN_IF_FAILED(LoadModuleTypeLib(modulePath, &library));
  TLIBATTR* attr = nullptr;
  RETURN_IF_FAILED(library->GetLibAttr(&attr));
  const TLIBATTR a = *attr;
  library->ReleaseTLibAttr(attr);
  HRESULT hr = S_OK;
  if (RemoveOwnEntryIfShared(a, scope, &hr)) return hr;
  if (scope == RegistrationScope::kUser) {
    if (auto unregisterForUser = PerUserFunction<UnregisterForUserFn>("UnRegisterTypeLibForUser")) {
      return unregisterForUser(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
    }
  }
  return ::UnRegisterTypeLib(a.guid, a.wMajorVerNum, a.wMinorVerNum, a.lcid, a.syskind);
}

std::wstring HelpFolderOf(ITypeLib* library) {
  Bstr helpFile;
  if (FAILED(library->GetDocumentation(-1, nullptr, nullptr, nullptr, helpFile.Put())) || !helpFile.Get()) {
    return {};
  }
  std::wstring path(helpFile.View());
  const size_t end = path.find_last_of(L"\\/:");
  return end == std::wstring::npos ? std::wstring() : path.substr(0, end);
}

HRESULT GetModuleTypeInfo(REFGUID guid, ITypeInfo** info) {
  *info = nullptr;
  // Thread-safe one-time load; the library lives until the process ends.
  static ITypeLib* const library = [] {
    ITypeLib* lib = nullptr;
    LoadModuleTypeLib(ModuleFileName(CurrentModule()), &lib);
    return lib;
  }();
  return library ? library->GetTypeInfoOfGuid(guid, info) : TYPE_E_CANTLOADLIBRARY;
}

}  // namespace tessary
