// barlet.dll: the toolbar band that Internet Explorer loads into every tab.
// Exports of an in-process COM server.
#include <windows.h>

#include "CBarletAddIn.h"
#include "CbarletModule.h"
#include "ComObject.h"
#include "barlet.h"

namespace {
tessary::barlet::CbarletModule g_module;
}

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
  if (reason == DLL_PROCESS_ATTACH) ::DisableThreadLibraryCalls(instance);
  return TRUE;
}

STDAPI DllGetClassObject(REFCLSID clsid, REFIID riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (!IsEqualCLSID(clsid, CLSID_BarletAddIn)) return CLASS_E_CLASSNOTAVAILABLE;
  return tessary::ClassFactory<tessary::barlet::CBarletAddIn>::Instance()->QueryInterface(riid, ppv);
}

STDAPI DllCanUnloadNow() { return g_module.CanUnloadNow(); }

STDAPI DllRegisterServer() { return g_module.RegisterServer(); }

STDAPI DllUnregisterServer() { return g_module.UnregisterServer(); }

STDAPI DllInstall(BOOL install, PCWSTR commandLine) { return g_module.Install(install, commandLine); }
