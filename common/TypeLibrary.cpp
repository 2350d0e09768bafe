#include "TypeLibrary.h"

#include <wrl/client.h>

#include "Bstr.h"
#include "ModulePath.h"

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

}  // namespace

HRESULT LoadModuleTypeLib(const std::wstring& modulePath, ITypeLib** library) {
  HRESULT hr = ::LoadTypeLibEx(modulePath.c_str(), REGKIND_NONE, library);
  if (FAILED(hr)) hr = ::LoadTypeLibEx(WithTlbExtension(modulePath).c_str(), REGKIND_NONE, library);
  return hr;
}

HRESULT RegisterModuleTypeLib(const std::wstring& modulePath, const std::wstring& helpFolder,
                              RegistrationScope scope) {
  ComPtr<ITypeLib> library;
  HRESULT hr = LoadModuleTypeLib(modulePath, &library);
  if (FAILED(hr)) return hr;
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
  HRESULT hr = LoadModuleTypeLib(modulePath, &library);
  if (FAILED(hr)) return hr;
  TLIBATTR* attr = nullptr;
  hr = library->GetLibAttr(&attr);
  if (FAILED(hr)) return hr;
  const TLIBATTR a = *attr;
  library->ReleaseTLibAttr(attr);
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
