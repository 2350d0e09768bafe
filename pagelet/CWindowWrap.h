#pragma once
// Watches one window of the tab's page for its load and unload events
// (HTMLWindowEvents2). Not a COM object of its own: it lives inside its owner and
// its reference count does nothing.
#include <windows.h>
#include <mshtml.h>

#include <wrl/client.h>

namespace tessary::pagelet {

class CHaldenBHO;

class CWindowWrap final : public IDispatch {
 public:
  CWindowWrap() = default;
  CWindowWrap(CHaldenBHO* owner, bool top) : owner_(owner), top_(top) {}
  ~CWindowWrap() { detach(); }
  CWindowWrap(const CWindowWrap&) = delete;
  CWindowWrap& operator=(const CWindowWrap&) = delete;

  void SetOwner(CHaldenBHO* owner, bool top) {
    owner_ = owner;
    top_ = top;
  }
  // Watches the window (the same window again is kept as it is); false when its
  // events could not be connected (the window is kept all the same).
  bool attach(IHTMLWindow2* window);
  bool detach();
  IHTMLWindow2* Window() const { return window_.Get(); }

  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  IFACEMETHODIMP_(ULONG) AddRef() override { return 1; }
  IFACEMETHODIMP_(ULONG) Release() override { return 1; }
  IFACEMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

 private:
  DWORD cookie_ = 0;
  CHaldenBHO* owner_ = nullptr;
  bool top_ = false;
  Microsoft::WRL::ComPtr<IHTMLWindow2> window_;
};

// Whether two interface pointers belong to the same COM object.
bool SameObject(IUnknown* a, IUnknown* b);

}  // namespace tessary::pagelet
