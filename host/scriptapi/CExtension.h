#pragma once
// The script object handed to a background or popup page's main(): an
// IDispatchEx adapter over the standard dispatcher, which calls the page kind's
// implementation object through its member table.
#include <windows.h>
#include <dispex.h>

#include <memory>

#include <wrl/client.h>

#include "DispatchExDefaults.h"

namespace tessary::host {

class CExtension final : public DispatchExDefaults {
 public:
  CExtension();
  CExtension(const CExtension&) = delete;
  CExtension& operator=(const CExtension&) = delete;

  // Builds the object for one page kind; false leaves it unusable.
  bool init(bool popup);

  // IUnknown. The count is kept, but the object is never freed by it: pages may
  // hold it in ways the host cannot see, so it lives until the process ends.
  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  IFACEMETHODIMP_(ULONG) AddRef() override;
  IFACEMETHODIMP_(ULONG) Release() override;

  // IDispatch
  IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
  IFACEMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  IFACEMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

  // IDispatchEx: every access is performed as a method call; the members that
  // describe or delete members are not supported.
  IFACEMETHODIMP GetDispID(BSTR name, DWORD flags, DISPID* id) override;
  IFACEMETHODIMP InvokeEx(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, IServiceProvider* caller) override;

  virtual ~CExtension();

 private:
  ULONG refs_ = 0;
  Microsoft::WRL::ComPtr<ITypeInfo> typeInfo_;
  Microsoft::WRL::ComPtr<IDispatch> dispatcher_;
  // CExtensionBGImpl or CExtensionPopupImpl; destroyed first.
  std::unique_ptr<void, void (*)(void*)> implementation_;
};

}  // namespace tessary::host
