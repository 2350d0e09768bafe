#pragma once
// The module of an in-process server that registers itself through two registry
// scripts (a module script and a class script, "REGISTRY" resources of its own)
// and its embedded type library, per machine or per user.
#include <windows.h>

#include <string>

#include "ComModule.h"
#include "Registrar.h"

namespace tessary {

class InprocServerModule : public DllModule {
 public:
  struct Scripts {
    UINT moduleScript;
    UINT classScript;
    // Replacements beyond Module and Module_Raw.
    ScriptReplacements extra;
  };

  explicit InprocServerModule(Scripts scripts) : scripts_(std::move(scripts)) {}

  // DllRegisterServer: module script, class script, type library; the first
  // failure is the result (what was done stays done).
  HRESULT RegisterServer();
  // DllUnregisterServer: class script, type library, module script.
  HRESULT UnregisterServer();
  // DllInstall: "user" (any case, the whole string) switches to per-user
  // registration for good; a failed installation is rolled back.
  HRESULT Install(BOOL install, PCWSTR commandLine);

  bool PerUser() const { return perUser_; }

 protected:
  // After the class script has been run in removal mode: what the script
  // wrote and the system's registrar may have left behind.
  virtual HRESULT RemoveLeftovers() { return S_OK; }

 private:
  HRESULT RunScript(UINT resource, bool install);

  Scripts scripts_;
  bool perUser_ = false;
};

}  // namespace tessary
