#include "PopupThread.h"

#include <ole2.h>
#include <wrl/client.h>

#include <memory>
#include <utility>

#include "AXClientSite.h"
#include "ExceptionBarrier.h"
#include "HostMessages.h"
#include "HostNames.h"
#include "HostProcess.h"
#include "PageHostWindow.h"
#include "PageSites.h"
#include "WorkerThread.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

// The popup's size at 96 dots per inch, for which its page is laid out.
constexpr int kPopupWidth = 536;
constexpr int kPopupHeight = 565;
constexpr UINT kDefaultDpi = 96;

struct StartRecord {
  int x;
  int y;
};

// The scaling of the monitor at the point (Windows 8.1 and later), or of the
// whole system. The program is aware of both (TessaryBG.manifest): its
// coordinates are the physical pixels that the toolbar reports.
using GetDpiForMonitorFunction = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

GetDpiForMonitorFunction FindGetDpiForMonitor() {
  const HMODULE shcore = ::LoadLibraryExW(L"shcore.dll", nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!shcore) return nullptr;
  return reinterpret_cast<GetDpiForMonitorFunction>(
      reinterpret_cast<void*>(::GetProcAddress(shcore, "GetDpiForMonitor")));
}

UINT DpiAt(POINT point) {
  static const GetDpiForMonitorFunction getDpiForMonitor = FindGetDpiForMonitor();
  UINT x = 0;
  UINT y = 0;
  const HMONITOR monitor = ::MonitorFromPoint(point, MONITOR_DEFAULTTONEAREST);
  if (getDpiForMonitor && SUCCEEDED(getDpiForMonitor(monitor, /*MDT_EFFECTIVE_DPI*/ 0, &x, &y)) && x) return x;
  const HDC screen = ::GetDC(nullptr);
  x = screen ? ::GetDeviceCaps(screen, LOGPIXELSX) : 0;
  if (screen) ::ReleaseDC(nullptr, screen);
  return x ? x : kDefaultDpi;
}

// (x, y) becomes the popup's top-right corner where the screen allows: a
// point beyond the screen's right or bottom edge moves the popup in, one left
// of or above the screen puts it at the screen's edge.
POINT PopupOrigin(const StartRecord& start, SIZE size) {
  const int screenWidth = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  RECT workArea = {};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &workArea, 0);
  POINT origin = {start.x - size.cx, start.y};
  if (start.x > screenWidth) origin.x = screenWidth - size.cx;
  if (start.x - size.cx < 0) origin.x = 0;
  if (start.y + size.cy > workArea.bottom) origin.y = workArea.bottom - size.cy;
  if (start.y < 0) origin.y = 0;
  return origin;
}

// The site whose window is gone, set on the popup thread for its loop.
thread_local AXClientSite* t_finishedSite = nullptr;
thread_local bool t_finished = false;

// Whether the window is the popup's own (a dialog of its page) or one that
// it owns, directly or through another.
bool BelongsToPopup(HWND window, HWND dialog) {
  for (; window; window = ::GetWindow(window, GW_OWNER)) {
    if (window == dialog || ::IsChild(dialog, window)) return true;
  }
  return false;
}

// A popup deactivated by the user's clicking elsewhere closes: its page host
// window goes, which ends the loop. Its page's own dialogs (alert, confirm)
// take the activation without closing it. A dialog that is not the shown
// popup's (one being torn down) changes nothing.
void CloseOnDeactivation(HWND dialog, HWND activated) {
  PopupRecord& popup = Host().popup;
  AXClientSite* site = Sites().popup;
  if (popup.state != PopupState::kShown || !site || ::GetParent(site->Window()) != dialog) return;
  if (BelongsToPopup(activated, dialog)) return;
  ::PostMessageW(site->Window(), WM_CLOSE, 0, 0);
  PopupState shown = PopupState::kShown;
  popup.state.compare_exchange_strong(shown, PopupState::kClosing);
}

INT_PTR CALLBACK PopupDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return MessageBarrier(
      [&]() -> LRESULT {
        switch (message) {
          case WM_INITDIALOG:
            NavigatePageHost(::GetDlgItem(dialog, kPopupControlId), Host().directories.ProgramFolder() + kPopupPage);
            return TRUE;
          case WM_SIZE: {
            RECT client = {};
            ::GetClientRect(dialog, &client);
            ::SetWindowPos(::GetDlgItem(dialog, kPopupControlId), nullptr, 0, 0, client.right, client.bottom,
                           SWP_SHOWWINDOW);
            return 0;
          }
          case WM_ACTIVATE:
            if (LOWORD(wParam) == WA_INACTIVE) CloseOnDeactivation(dialog, reinterpret_cast<HWND>(lParam));
            return 0;
          case WM_CLOSE: ::EndDialog(dialog, 2); return 0;
        }
        return 0;
      },
      [] { return FALSE; });
}

// Keys go to the page first, as in a browser's own window.
bool PageTakesKey(MSG* message) {
  AXClientSite* site = Sites().popup;
  if (!site) return false;
  ComPtr<IOleInPlaceActiveObject> active;
  ::SendMessageW(site->Window(), WM_AX_QUERY_INTERFACE, reinterpret_cast<WPARAM>(&IID_IOleInPlaceActiveObject),
                 reinterpret_cast<LPARAM>(active.GetAddressOf()));
  return active && active->TranslateAccelerator(message) == S_OK;
}

// Runs until the popup's page host window is gone. The end is a flag, looked
// at after every message: a window that goes inside a nested modal loop ends
// this one as soon as that returns.
void RunPopupLoop() {
  t_finished = false;
  MSG message;
  while (!t_finished && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
    const bool key = message.message == WM_KEYDOWN || message.message == WM_KEYUP;
    if (key && PageTakesKey(&message)) continue;
    ::TranslateMessage(&message);
    ::DispatchMessageW(&message);
  }
  if (AXClientSite* site = std::exchange(t_finishedSite, nullptr)) {
    site->CleanUp();
    delete site;
  }
}

// The text copied in the popup belongs to this thread's OLE, which ends with
// it: the background window keeps a copy of its own first.
void KeepClipboard() {
  HostProcess& host = Host();
  if (host.background == BackgroundState::kRunning && host.backgroundWindow) {
    ::SendMessageW(host.backgroundWindow, WM_BG_KEEP_CLIPBOARD, 0, 0);
  }
}

DWORD RunPopup(const StartRecord& start, const ComApartment& apartment) {
  Log& log = Host().log;
  if (!apartment.IsReady()) {
    log.Trace() << "Failed to " << apartment.FailedCall();
    return 1;
  }
  const HWND dialog =
      ::CreateDialogParamW(::GetModuleHandleW(nullptr), kPopupDialog, ::GetForegroundWindow(), &PopupDialogProc, 0);
  if (!dialog) {
    const DWORD code = ::GetLastError();
    log.Error() << kLogPopupDialogFailed << code;
    return 1;
  }
  const UINT dpi = DpiAt(POINT{start.x, start.y});
  const SIZE size = {::MulDiv(kPopupWidth, dpi, kDefaultDpi), ::MulDiv(kPopupHeight, dpi, kDefaultDpi)};
  const POINT origin = PopupOrigin(start, size);
  ::SetWindowPos(dialog, HWND_TOP, origin.x, origin.y, size.cx, size.cy, 0);
  RunPopupLoop();
  ::DestroyWindow(dialog);
  KeepClipboard();
  log.Trace() << kLogPopupThreadEnds;
  return 0;
}

}  // namespace

void EndPopupLoop(AXClientSite* site) {
  t_finishedSite = site;
  t_finished = true;
  // Wakes the loop should it wait: lost in a modal loop, it is not needed there.
  ::PostThreadMessageW(::GetCurrentThreadId(), WM_NULL, 0, 0);
}

bool OpenPopup(int x, int y) {
  HostProcess& host = Host();
  host.log.Trace() << kLogCreatingPopupThread;
  host.popup.state = PopupState::kStarting;
  host.popup.thread =
      StartWorker(Apartment::kSingleThreadedWithOle, [start = StartRecord{x, y}](const ComApartment& com) {
        // However the thread ends, an exception included, a later request may
        // open a popup again.
        struct Ended {
          ~Ended() { Host().popup.state = PopupState::kNone; }
        } ended;
        return RunPopup(start, com);
      });
  if (!host.popup.thread) {
    host.popup.state = PopupState::kNone;
    host.log.Error() << "Failed to create popup thread!";
    return false;
  }
  return true;
}

}  // namespace tessary::host
