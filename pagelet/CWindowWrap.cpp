#include "CWindowWrap.h"

#include <mshtmdid.h>
#include <shlwapi.h>

#include "CHaldenBHO.h"
#include "ComIdentity.h"
#include "ExceptionBarrier.h"
#include "Failures.h"

using Microsoft::WRL::ComPtr;

namespace tessary::pagelet {
namespace {

HRESULT WindowEvents(IHTMLWindow2* window, ComPtr<IConnectionPoint>* point) {
  ComPtr<IConnectionPointContainer> container;
  RETURN_IF_FAILED(window->QueryInterface(IID_PPV_ARGS(&container)));
  return container->FindConnectionPoint(DIID_HTMLWindowEvents2, point->GetAddressOf());
}

}  // namespace

bool CWindowWrap::attach(IHTMLWindow2* window) {
  if (window_) {
    if (SameObject(window_.Get(), window)) return true;
    detach();
  }
  window_ = window;
  if (!window_) return false;
  ComPtr<IConnectionPoint> point;
  return SUCCEEDED(WindowEvents(window_.Get(), &point)) &&
         SUCCEEDED(point->Advise(static_cast<IDispatch*>(this), &cookie_));
}

bool CWindowWrap::detach() {
  if (!window_) return true;
  ComPtr<IConnectionPoint> point;
  const bool unadvised = cookie_ && SUCCEEDED(WindowEvents(window_.Get(), &point)) &&
                         SUCCEEDED(point->Unadvise(cookie_));
  cookie_ = 0;
  window_.Reset();
  return unadvised;
}

// The unload ends the page's context, which calls the host: the agent is held
// for the length of it.
IFACEMETHODIMP CWindowWrap::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) {
  return ExceptionBarrier([&] {
    ComPtr<IObjectWithSite> hold = owner_ ? owner_->Hold() : nullptr;
    if (!hold) return S_OK;
    switch (id) {
      case DISPID_HTMLWINDOWEVENTS2_ONLOAD:
        if (top_) owner_->PostInjectionAttempt();
        break;
      case DISPID_HTMLWINDOWEVENTS2_ONUNLOAD:
        if (top_) owner_->OnTopWindowUnload();
        detach();
        break;
    }
    return S_OK;
  });
}

}  // namespace tessary::pagelet
