#pragma once
// The host program's COM server module: registration, class objects, the main
// message loop and the shutdown after the last lock is given back.
#include <windows.h>

#include <string>

#include "ComModule.h"
#include "UniqueHandle.h"

namespace tessary::host {

class CSomeClass final : public ComModule {
 public:
  CSomeClass();

  // Runs the module for the raw command line (the arguments after the program
  // path) and returns the process's exit code.
  int Run(const wchar_t* commandLine);

  HRESULT RegisterServer(bool perUser);
  HRESULT UnregisterServer(bool perUser);

  void Lock() override;
  void Unlock() override;

 private:
  struct ClassEntry {
    const CLSID* clsid;
    IClassFactory* (*factory)();
    const wchar_t* friendlyName;
    DWORD cookie;
  };

  std::wstring Library32() const;
  HRESULT RunClassScripts(bool install);
  HRESULT RegisterClassObjects();
  HRESULT RevokeClassObjects();
  bool StartMonitor();
  DWORD Monitor();
  HRESULT Serve();

  const DWORD mainThreadId_;
  const DWORD timeout_ = 5000;
  const DWORD pause_ = 1000;
  const bool delayShutdown_ = true;
  UniqueHandle shutdownEvent_;
  UniqueHandle monitorThread_;
  ClassEntry classes_[2];
  std::wstring modulePath_;
};

}  // namespace tessary::host
