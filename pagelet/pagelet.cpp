// pagelet.dll: the Browser Helper Object that Internet Explorer loads into every tab.
// The exported entry points of an in-process COM server; the classes come later.
#include <windows.h>

#include "ComModule.h"

namespace {
tessary::DllModule g_module;
}

STDAPI DllGetClassObject(REFCLSID, REFIID, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  return CLASS_E_CLASSNOTAVAILABLE;
}

STDAPI DllCanUnloadNow() { return g_module.CanUnloadNow(); }

STDAPI DllRegisterServer() { return E_NOTIMPL; }

STDAPI DllUnregisterServer() { return E_NOTIMPL; }

STDAPI DllInstall(BOOL, PCWSTR) { return E_NOTIMPL; }
