#include "InprocServerModule.h"

#include <wrl/client.h>

#include "Failures.h"
#include "ModulePath.h"
#include "SharedNames.h"
#include "TypeLibrary.h"
#include "UniqueHandle.h"

namespace tessary {
namespace {

// Registration runs in the system's locale, whatever the calling thread's is.
class SystemLocaleScope {
 public:
  SystemLocaleScope() : saved_(::GetThreadLocale()) { ::SetThreadLocale(LOCALE_SYSTEM_DEFAULT); }
  ~SystemLocaleScope() { ::SetThreadLocale(saved_); }
  SystemLocaleScope(const SystemLocaleScope&) = delete;
  SystemLocaleScope& operator=(const SystemLocaleScope&) = delete;

 private:
  LCID saved_;
};

// While it lives, HKEY_CLASSES_ROOT means the user's own classes.
class UserClassesScope {
 public:
  explicit UserClassesScope(bool active) {
    if (!active) return;
    if (::RegCreateKeyExW(HKEY_CURRENT_USER, kUserClassesKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, classes_.Put(),
                          nullptr) == ERROR_SUCCESS) {
      overridden_ = ::RegOverridePredefKey(HKEY_CLASSES_ROOT, classes_.Get()) == ERROR_SUCCESS;
    }
  }
  ~UserClassesScope() {
    if (overridden_) ::RegOverridePredefKey(HKEY_CLASSES_ROOT, nullptr);
  }
  UserClassesScope(const UserClassesScope&) = delete;
  UserClassesScope& operator=(const UserClassesScope&) = delete;

 private:
  UniqueRegKey classes_;
  bool overridden_ = false;
};

HRESULT ModulePathForRegistration(std::wstring* path) {
  *path = ModuleFileName(CurrentModule());
  if (path->empty()) return HRESULT_FROM_WIN32(::GetLastError());
  // The registrar's replacement buffer holds MAX_PATH characters.
  if (path->size() >= MAX_PATH) return HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER);
  return S_OK;
}

HRESULT RegisterOwnTypeLib(const std::wstring& path, RegistrationScope scope) {
  Microsoft::WRL::ComPtr<ITypeLib> library;
  RETURN_IF_FAILED(LoadModuleTypeLib(path, &library));
  return RegisterModuleTypeLib(path, HelpFolderOf(library.Get()), scope);
}

}  // namespace

HRESULT InprocServerModule::RegisterServer() {
  SystemLocaleScope locale;
  std::wstring path;
  RETURN_IF_FAILED(ModulePathForRegistration(&path));
  RETURN_IF_FAILED(RunScript(scripts_.moduleScript, true));
  RETURN_IF_FAILED(RunScript(scripts_.classScript, true));
  return RegisterOwnTypeLib(path, perUser_ ? RegistrationScope::kUser : RegistrationScope::kMachine);
}

HRESULT InprocServerModule::UnregisterServer() {
  SystemLocaleScope locale;
  std::wstring path;
  RETURN_IF_FAILED(ModulePathForRegistration(&path));
  RETURN_IF_FAILED(RunScript(scripts_.classScript, false));
  RETURN_IF_FAILED(RemoveLeftovers());
  RETURN_IF_FAILED(UnregisterModuleTypeLib(path, perUser_ ? RegistrationScope::kUser : RegistrationScope::kMachine));
  return RunScript(scripts_.moduleScript, false);
}

HRESULT InprocServerModule::Install(BOOL install, PCWSTR commandLine) {
  if (commandLine && _wcsicmp(commandLine, kPerUserInstallCommand) == 0) perUser_ = true;
  if (!install) return UnregisterServer();
  const HRESULT hr = RegisterServer();
  if (FAILED(hr)) UnregisterServer();
  return hr;
}

HRESULT InprocServerModule::RunScript(UINT resource, bool install) {
  std::wstring path;
  RETURN_IF_FAILED(ModulePathForRegistration(&path));
  ScriptReplacements replacements = scripts_.extra;
  const std::wstring module = EscapeForRegistryScript(path);
  replacements.emplace_back(L"Module", module);
  replacements.emplace_back(L"Module_Raw", module);
  UserClassesScope classes(perUser_);
  return RunRegistryScript(path, resource, install, replacements);
}

}  // namespace tessary
