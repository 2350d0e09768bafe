#include "BackgroundPage.h"

#include "AXClientSite.h"
#include "ApiState.h"
#include "BackgroundWindow.h"
#include "BandLook.h"
#include "BrowserEvents.h"
#include "ExceptionBarrier.h"
#include "HostNames.h"
#include "HostProcess.h"
#include "PageEventHandler.h"
#include "PageHostWindow.h"
#include "PageSites.h"

namespace tessary::host {
namespace {

class BackgroundEvents final : public PageEventHandler {
 public:
  HRESULT OnDocumentComplete(AXClientSite& site, const DISPPARAMS* params) override;
  HRESULT OnBeforeNavigate2(AXClientSite&, const DISPPARAMS*) override { return E_NOTIMPL; }
};

INT_PTR CALLBACK BackgroundDialogProc(HWND dialog, UINT message, WPARAM, LPARAM) {
  return MessageBarrier(
      [&]() -> LRESULT {
        switch (message) {
          case WM_INITDIALOG: {
            HostProcess& host = Host();
            host.backgroundWindow = ::GetDlgItem(dialog, kBackgroundControlId);
            NavigatePageHost(host.backgroundWindow, host.directories.ProgramFolder() + kBackgroundPage);
            return TRUE;
          }
          case WM_CLOSE: ::EndDialog(dialog, 2); return FALSE;
        }
        return FALSE;
      },
      [] { return FALSE; });
}

bool ReadSettings() {
  HostProcess& host = Host();
  const HINSTANCE instance = ::GetModuleHandleW(nullptr);
  if (!RegisterPageHostClasses(instance)) return false;
  const HRESULT code = host.config.Read(host.directories.ProgramFolder(), host.log);
  if (code != S_OK) {
    host.log.Error() << kLogConfigReadFailed << code;
    return false;
  }
  // The toolbars fall back to the built-in pictures by themselves; the reason
  // is told here, where there is a log.
  const std::wstring pictures = BandPicturesProblem(host.directories.ProgramFolder());
  if (!pictures.empty()) host.log.Error() << "Toolbar pictures: " << pictures << "; the built-in pictures are used";
  if (!Api().storage.Open(host.directories.DataDirectory(), host.log)) return false;
  return ::CreateDialogParamW(instance, kBackgroundDialog, nullptr, &BackgroundDialogProc, 0) != nullptr;
}

HRESULT BackgroundEvents::OnDocumentComplete(AXClientSite& site, const DISPPARAMS* params) {
  HostProcess& host = Host();
  host.log.Trace() << kLogBackgroundDocumentComplete;
  if (!EventString(EventArgument(params, 1))) return S_OK;
  host.log.Trace() << kLogBackgroundStarting;

  AXClientSite::EntryPoint entry;
  const HRESULT found = site.FindEntryPoint(&entry);
  if (found == E_FAIL) {
    host.log.Error() << kLogGetScriptFailed;
    return E_FAIL;
  }
  if (found != S_OK) return S_OK;
  // Handlers that main registers are kept with this site: it must be known first.
  Sites().background = &site;
  bool called = false;
  const HRESULT result = site.CallEntryPoint(entry, &called);
  if (!called) return S_OK;
  if (FAILED(result)) host.log.Error() << "Error while executing BG entry point";
  host.background = BackgroundState::kRunning;
  AnnounceConnectedTabs(&site);
  return S_OK;
}

}  // namespace

HRESULT StartBackground() {
  HostProcess& host = Host();
  if (host.background != BackgroundState::kNotStarted) return S_OK;
  host.background = BackgroundState::kStarting;
  host.log.Trace() << kLogFirstInstance;
  return ReadSettings() ? S_OK : E_FAIL;
}

PageEventHandler& BackgroundPageEvents() {
  static BackgroundEvents events;
  return events;
}

}  // namespace tessary::host
