#pragma once
// Watches one window of the tab's page for its load and unload events
// (HTMLWindowEvents2). Not a COM object of its own: it lives inside its owner and
// its reference count does nothing.
#include <windows.h>
#include <mshtml.h>

#include <wrl/client.h>

#include "EmbeddedEventSink.h"

namespace tessary::pagelet {

class CHaldenBHO;

class CWindowWrap final : public EmbeddedEventSink<&DIID_HTMLWindowEvents2> {
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

  IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

 private:
  DWORD cookie_ = 0;
  CHaldenBHO* owner_ = nullptr;
  bool top_ = false;
  Microsoft::WRL::ComPtr<IHTMLWindow2> window_;
};

}  // namespace tessary::pagelet
