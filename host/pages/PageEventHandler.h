#pragma once
// What a page kind (background or popup) does with its browser's events.
#include <windows.h>
#include <oleauto.h>

namespace tessary::host {

class AXClientSite;

class PageEventHandler {
 public:
  // E_NOTIMPL for an event the page kind does not handle.
  virtual HRESULT OnDocumentComplete(AXClientSite& site, const DISPPARAMS* params) = 0;
  virtual HRESULT OnBeforeNavigate2(AXClientSite& site, const DISPPARAMS* params) = 0;

 protected:
  ~PageEventHandler() = default;
};

}  // namespace tessary::host
