#include "PopupWindow.h"

#include "PageEventHandler.h"
#include "PageHostWindow.h"

namespace tessary::host {
namespace {

// The popup page reacts to none of its browser's events yet.
class PopupEvents final : public PageEventHandler {
 public:
  HRESULT OnDocumentComplete(AXClientSite&, const DISPPARAMS*) override { return E_NOTIMPL; }
  HRESULT OnBeforeNavigate2(AXClientSite&, const DISPPARAMS*) override { return E_NOTIMPL; }
};

}  // namespace

LRESULT CALLBACK PopupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  static PopupEvents events;
  if (message == WM_CREATE) return CreatePageSite(window, false, events);
  return CommonPageHostProc(window, message, wParam, lParam);
}

}  // namespace tessary::host
