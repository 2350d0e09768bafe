#include "Registrar.h"

#include <objbase.h>

#include <wrl/client.h>

#include "ComApartment.h"
#include "Failures.h"
#include "ModulePath.h"

namespace tessary {

// The registrar's interface, as atl.dll implements it (atliface.idl). Not in an
// anonymous namespace: the compiler would take the pure declarations for the only
// implementation there can be and devirtualise the calls into traps.
MIDL_INTERFACE("44EC053B-400F-11D0-9DCD-00A0C90391D3")
IRegistrar : public IUnknown {
  virtual HRESULT STDMETHODCALLTYPE AddReplacement(LPCOLESTR key, LPCOLESTR item) = 0;
  virtual HRESULT STDMETHODCALLTYPE ClearReplacements() = 0;
  virtual HRESULT STDMETHODCALLTYPE ResourceRegisterSz(LPCOLESTR file, LPCOLESTR id, LPCOLESTR type) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResourceUnregisterSz(LPCOLESTR file, LPCOLESTR id, LPCOLESTR type) = 0;
  virtual HRESULT STDMETHODCALLTYPE FileRegister(LPCOLESTR file) = 0;
  virtual HRESULT STDMETHODCALLTYPE FileUnregister(LPCOLESTR file) = 0;
  virtual HRESULT STDMETHODCALLTYPE StringRegister(LPCOLESTR data) = 0;
  virtual HRESULT STDMETHODCALLTYPE StringUnregister(LPCOLESTR data) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResourceRegister(LPCOLESTR file, UINT id, LPCOLESTR type) = 0;
  virtual HRESULT STDMETHODCALLTYPE ResourceUnregister(LPCOLESTR file, UINT id, LPCOLESTR type) = 0;
};

}  // namespace tessary

__CRT_UUID_DECL(tessary::IRegistrar, 0x44EC053B, 0x400F, 0x11D0, 0x9D, 0xCD, 0x00, 0xA0, 0xC9, 0x03, 0x91, 0xD3)

namespace tessary {
namespace {
constexpr CLSID kClsidRegistrar = {0x44EC053A, 0x400F, 0x11D0, {0x9D, 0xCD, 0x00, 0xA0, 0xC9, 0x03, 0x91, 0xD3}};
}

HRESULT RunRegistryScript(const std::wstring& moduleFile, UINT resourceId, bool install,
                          const ScriptReplacements& replacements) {
  // Self-registration may be called on a thread without COM (regsvr32 does so).
  // Deliberately unchecked: a caller already in another apartment is served there.
  const ComApartment apartment(Apartment::kSingleThreaded);
  Microsoft::WRL::ComPtr<IRegistrar> registrar;
  RETURN_IF_FAILED(::CoCreateInstance(kClsidRegistrar, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&registrar)));
  for (const auto& [name, value] : replacements) RETURN_IF_FAILED(registrar->AddReplacement(name.c_str(), value.c_str()));
  return install ? registrar->ResourceRegister(moduleFile.c_str(), resourceId, L"REGISTRY")
                 : registrar->ResourceUnregister(moduleFile.c_str(), resourceId, L"REGISTRY");
}

HRESULT RunOwnRegistryScript(UINT resourceId, bool install, ScriptReplacements extra) {
  const std::wstring path = ModuleFileName(CurrentModule());
  extra.emplace(extra.begin(), L"MODULE", EscapeForRegistryScript(path));
  return RunRegistryScript(path, resourceId, install, extra);
}

std::wstring EscapeForRegistryScript(const std::wstring& value) {
  std::wstring escaped;
  escaped.reserve(value.size());
  for (wchar_t c : value) {
    escaped += c;
    if (c == L'\'') escaped += L'\'';
  }
  return escaped;
}

std::wstring GuidString(REFGUID guid) {
  wchar_t text[40] = {};
  ::StringFromGUID2(guid, text, ARRAYSIZE(text));
  return text;
}

}  // namespace tessary
