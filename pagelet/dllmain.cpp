// pagelet.dll: the Browser Helper Object that Internet Explorer loads into every
// tab. Exports of an in-process COM server.
#include <windows.h>

#include "CHaldenBHO.h"
#include "ComObject.h"
#include "CpageletModule.h"
#include "ExceptionBarrier.h"
#include "pagelet.h"

namespace {
tessary::pagelet::CpageletModule g_module;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
  return TRUE;
}

// The exports are COM's entry points: no exception leaves them either.
STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  return tessary::ExceptionBarrier([&] {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_HaldenBHO)) return CLASS_E_CLASSNOTAVAILABLE;
    return tessary::ClassFactory<tessary::pagelet::CHaldenBHO>::Instance()->QueryInterface(riid, ppv);
  });
}

STDAPI DllCanUnloadNow() { return g_module.CanUnloadNow(); }

STDAPI DllRegisterServer() {
  return tessary::ExceptionBarrier([] { return g_module.RegisterServer(); });
}

STDAPI DllUnregisterServer() {
  return tessary::ExceptionBarrier([] { return g_module.UnregisterServer(); });
}

STDAPI DllInstall(BOOL install, PCWSTR commandLine) {
  return tessary::ExceptionBarrier([&] { return g_module.Install(install, commandLine); });
}
