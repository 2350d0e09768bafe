#include "CSomeClass.h"

#include "ApiState.h"
#include "CBG.h"
#include "CBGC.h"
#include "ComApartment.h"
#include "ComObject.h"
#include "CommandLine.h"
#include "Failures.h"
#include "HostNames.h"
#include "HostProcess.h"
#include "ModulePath.h"
#include "Registrar.h"
#include "Tessary.h"
#include "TypeLibrary.h"
#include "WorkerThread.h"
#include "resource.h"

namespace tessary::host {

CSomeClass::CSomeClass()
    : mainThreadId_(::GetCurrentThreadId()),
      classes_{{&CLSID_CBG, &ClassFactory<CBG>::Instance, kCbgFriendlyName, 0},
               {&CLSID_CBGC, &ClassFactory<CBGC>::Instance, kCbgcFriendlyName, 0}},
      modulePath_(ModuleFileName(nullptr)) {}

int CSomeClass::Run(const wchar_t* commandLine) {
  const ComApartment apartment(Apartment::kSingleThreaded);
  // Tolerated only when the .NET runtime put the thread in another apartment.
  if (!apartment.IsReady() && !(apartment.Result() == RPC_E_CHANGED_MODE && ::GetModuleHandleW(kClrLibrary))) {
    return apartment.Result();
  }
  HRESULT hr = S_OK;

  switch (ScanModuleSwitch(commandLine)) {
    case ModuleSwitch::kRegServer: hr = RegisterServer(false); break;
    case ModuleSwitch::kUnregServer: hr = UnregisterServer(false); break;
    case ModuleSwitch::kRegServerPerUser: hr = RegisterServer(true); break;
    case ModuleSwitch::kUnregServerPerUser: hr = UnregisterServer(true); break;
    case ModuleSwitch::kNone: hr = Serve(); break;
  }
  return hr;
}

HRESULT CSomeClass::Serve() {
  RETURN_IF_FAILED(RegisterClassObjects());
  if (!StartMonitor()) {
    RevokeClassObjects();
    return E_FAIL;
  }
  HRESULT hr = ::CoResumeClassObjects();
  if (FAILED(hr)) {
    ::SetEvent(shutdownEvent_.Get());
    ::WaitForSingleObject(monitorThread_.Get(), timeout_ * 2);
    RevokeClassObjects();
    return hr;
  }
  monitorThread_.Reset();  // the monitor keeps running on its own

  // Every call into CBG and CBGC, and the background page, run in this loop.
  MSG msg;
  while (::GetMessageW(&msg, nullptr, 0, 0) > 0) {
    ::TranslateMessage(&msg);
    ::DispatchMessageW(&msg);
  }
  hr = RevokeClassObjects();
  // A new activation during the pause below starts a new process, which must be
  // able to open the database at once.
  Api().storage.Close();
  ::Sleep(pause_);
  return hr;
}

// TYPELIB 1 is the library for 64-bit processes. Internet Explorer's tabs are
// mostly 32-bit processes, and a 32-bit process reads only a library's win32
// entry: TYPELIB 2 is the same library built for them, registered beside it.
std::wstring CSomeClass::Library32() const { return modulePath_ + L"\\2"; }

HRESULT CSomeClass::RegisterServer(bool perUser) {
  RETURN_IF_FAILED(RunClassScripts(true));
  const RegistrationScope scope = perUser ? RegistrationScope::kUser : RegistrationScope::kMachine;
  const std::wstring help = Host().directories.ProgramFolder();
  RETURN_IF_FAILED(RegisterModuleTypeLib(modulePath_, help, scope));
  return RegisterModuleTypeLib(Library32(), help, scope);
}

// The 32-bit library goes last: as the system registered the interfaces of
// both registry views with it, it takes them away with it.
HRESULT CSomeClass::UnregisterServer(bool perUser) {
  RETURN_IF_FAILED(RunClassScripts(false));
  const RegistrationScope scope = perUser ? RegistrationScope::kUser : RegistrationScope::kMachine;
  RETURN_IF_FAILED(UnregisterModuleTypeLib(modulePath_, scope));
  return UnregisterModuleTypeLib(Library32(), scope);
}

// Both classes share one script; it is run once per class.
HRESULT CSomeClass::RunClassScripts(bool install) {
  for (const ClassEntry& entry : classes_) {
    const ScriptReplacements replacements = {
        {L"MODULE", EscapeForRegistryScript(L"\"" + modulePath_ + L"\"")},
        {L"CLSID", GuidString(*entry.clsid)},
        {L"FRIENDLYNAME", entry.friendlyName},
        {L"LIBID", GuidString(LIBID_Tessary)},
    };
    RETURN_IF_FAILED(RunRegistryScript(modulePath_, IDR_HOST_CLASS, install, replacements));
  }
  return S_OK;
}

HRESULT CSomeClass::RegisterClassObjects() {
  for (ClassEntry& entry : classes_) {
    RETURN_IF_FAILED(::CoRegisterClassObject(*entry.clsid, entry.factory(), CLSCTX_LOCAL_SERVER,
                                             REGCLS_MULTIPLEUSE | REGCLS_SUSPENDED, &entry.cookie));
  }
  return S_OK;
}

HRESULT CSomeClass::RevokeClassObjects() {
  for (ClassEntry& entry : classes_) {
    if (!entry.cookie) continue;
    RETURN_IF_FAILED(::CoRevokeClassObject(entry.cookie));
    entry.cookie = 0;
  }
  return S_OK;
}

bool CSomeClass::StartMonitor() {
  shutdownEvent_.Reset(::CreateEventW(nullptr, FALSE, FALSE, nullptr));
  if (shutdownEvent_) monitorThread_ = StartWorker(Apartment::kNone, [this](const ComApartment&) { return Monitor(); });
  return monitorThread_.IsValid();
}

// Ends the main loop once the last lock was given back. The event itself stays
// open until the module ends, so a late Unlock never signals a closed handle.
DWORD CSomeClass::Monitor() {
  ::WaitForSingleObject(shutdownEvent_.Get(), INFINITE);
  ::PostThreadMessageW(mainThreadId_, WM_QUIT, 0, 0);
  return 0;
}

void CSomeClass::Lock() { ::CoAddRefServerProcess(); }

void CSomeClass::Unlock() {
  if (::CoReleaseServerProcess() != 0) return;
  // No activation may reach a process that is about to end: withdraw the class
  // objects now rather than rely on COM suspending them at zero (not every
  // implementation does), so that a new activation starts a new process.
  RevokeClassObjects();
  if (delayShutdown_) {
    ::SetEvent(shutdownEvent_.Get());
  } else {
    ::PostThreadMessageW(mainThreadId_, WM_QUIT, 0, 0);
  }
}

}  // namespace tessary::host
