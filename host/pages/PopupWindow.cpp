#include "PopupWindow.h"

#include <shlwapi.h>

#include "AXClientSite.h"
#include "BrowserEvents.h"
#include "ExceptionBarrier.h"
#include "HostNames.h"
#include "HostProcess.h"
#include "PageEventHandler.h"
#include "PageHostWindow.h"
#include "PageSites.h"
#include "SharedNames.h"

namespace tessary::host {
namespace {

class PopupEvents final : public PageEventHandler {
 public:
  HRESULT OnDocumentComplete(AXClientSite& site, const DISPPARAMS* params) override;
  HRESULT OnBeforeNavigate2(AXClientSite& site, const DISPPARAMS* params) override;
};

bool IsInProgramFolder(const wchar_t* url) {
  const std::wstring& folder = Host().directories.ProgramFolder();
  return url && *url && ::StrCmpNIW(url, folder.c_str(), static_cast<int>(folder.size())) == 0;
}

// A popup page that cannot run would stay hidden with its thread waiting for
// ever: its window goes, and with it the popup thread's loop.
void Abandon(AXClientSite& site) { ::PostMessageW(site.Window(), WM_CLOSE, 0, 0); }

// The popup page did not load: the browser shows an error page of its own
// elsewhere (popup.html is missing or unreadable), or the page went away
// before it was shown. Nothing will show the popup, so it ends.
HRESULT AbandonUnshown(AXClientSite& site, const DISPPARAMS* params) {
  HostProcess& host = Host();
  if (Sites().popup || !site.IsTopLevel(EventDispatch(EventArgument(params, 0)))) return E_NOTIMPL;
  const BSTR url = EventString(EventArgument(params, 1));
  host.log.Error() << "Popup page did not load, the browser shows " << (url ? url : L"no page");
  Abandon(site);
  return E_NOTIMPL;
}

HRESULT PopupEvents::OnDocumentComplete(AXClientSite& site, const DISPPARAMS* params) {
  if (!IsInProgramFolder(EventString(EventArgument(params, 1)))) return AbandonUnshown(site, params);
  HostProcess& host = Host();
  host.log.Trace() << kLogPopupStarting;
  const HWND dialog = ::GetParent(site.Window());
  if (!dialog || !Sites().background) return E_NOTIMPL;

  AXClientSite::EntryPoint entry;
  if (site.FindEntryPoint(&entry) == E_FAIL) {
    host.log.Error() << kLogGetScriptFailed;
    Abandon(site);
    return E_FAIL;
  }
  bool called = false;
  const HRESULT result = site.CallEntryPoint(entry, &called);
  if (called && FAILED(result)) {
    host.log.Error() << kLogPopupEntryPointFailed;
    Abandon(site);
    return S_OK;
  }
  host.popup.state = PopupState::kShown;
  Sites().popup = &site;
  ::ShowWindow(dialog, SW_SHOWNORMAL);
  return S_OK;
}

// The page loads freely until it is shown; from then on it stays where it is.
HRESULT PopupEvents::OnBeforeNavigate2(AXClientSite&, const DISPPARAMS* params) {
  HostProcess& host = Host();
  const BSTR url = EventString(EventArgument(params, 1));
  host.log.Trace() << kLogPopupBeforeNavigate << url;
  if (!Sites().popup || (url && wcsstr(url, kAboutBlank))) return E_NOTIMPL;
  host.log.Trace() << kLogPopupCancelNavigation;
  if (VARIANT_BOOL* cancel = EventBoolReference(EventArgument(params, 6))) *cancel = VARIANT_TRUE;
  return S_OK;
}

}  // namespace

LRESULT CALLBACK PopupWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return MessageBarrier(
      [&]() -> LRESULT {
        static PopupEvents events;
        if (message == WM_CREATE) return CreatePageSite(window, false, events);
        return CommonPageHostProc(window, message, wParam, lParam);
      },
      [&] { return ::DefWindowProcW(window, message, wParam, lParam); });
}

}  // namespace tessary::host
