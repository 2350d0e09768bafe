#include "TabsApi.h"

#include <exdisp.h>
#include <wrl/client.h>

#include <memory>
#include <vector>

#include "BrowserWindows.h"
#include "Bstr.h"
#include "Failures.h"
#include "HostNames.h"
#include "Log.h"
#include "ServerReference.h"
#include "SharedNames.h"
#include "TabIdentity.h"
#include "Tessary.h"
#include "UniqueHandle.h"
#include "Variant.h"
#include "WorkerThread.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

// More would only be reopened by a later call.
constexpr size_t kMaxReopenedTabs = 30;
// Long enough for the reopened tabs' page agents to hold the host program
// themselves before the thread lets go of it.
constexpr DWORD kHoldHostMs = 5000;
// How long setIcon waits for one toolbar that answers at all: a tab busy for
// longer takes its state later.
constexpr UINT kToolbarAnswerMs = 1000;

ComPtr<IShellWindows> ShellWindows() {
  ComPtr<IShellWindows> list;
  LOG_IF_FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&list)));
  return list;
}

// The list's window at that index when it is a browser of Internet Explorer,
// else null; *result is the list's own answer for the index.
ComPtr<IWebBrowser2> InternetExplorerAt(IShellWindows* list, LONG index, HRESULT* result) {
  ComPtr<IDispatch> item;
  *result = list->Item(ArgI4(index), &item);
  ComPtr<IWebBrowser2> browser;
  if (FAILED(*result) || !item || FAILED(item.As(&browser)) || !IsInternetExplorer(browser.Get())) return nullptr;
  return browser;
}

bool IsTopLevel(IWebBrowser2* browser) {
  VARIANT_BOOL top = VARIANT_FALSE;
  return SUCCEEDED(browser->get_TopLevelContainer(&top)) && top == VARIANT_TRUE;
}

HRESULT NavigateInNewTab(IWebBrowser2* browser, BSTR url) {
  VARIANT address = ArgBstr(url);
  VARIANT flags = ArgI4(navOpenInNewTab);
  Variant targetFrame, postData, headers;
  return browser->Navigate2(&address, &flags, targetFrame.Get(), postData.Get(), headers.Get());
}

// The browsers to reopen, the last listed first.
std::vector<ComPtr<IWebBrowser2>> TopLevelBrowsers(IShellWindows* list, LONG count, Log& log) {
  std::vector<ComPtr<IWebBrowser2>> browsers;
  for (LONG index = count - 1; index >= 0 && browsers.size() < kMaxReopenedTabs; --index) {
    HRESULT hr = S_OK;
    ComPtr<IWebBrowser2> browser = InternetExplorerAt(list, index, &hr);
    if (FAILED(hr)) {
      log.Warning() << kLogCannotGetWindowDispatch << hr;
      continue;
    }
    if (browser && IsTopLevel(browser.Get())) browsers.push_back(browser);
  }
  return browsers;
}

void Reopen(IWebBrowser2* browser, Log& log) {
  Bstr url;
  if (FAILED(browser->get_LocationURL(url.Put())) || url.Length() == 0) return;
  log.Trace() << kLogRecreating << url.View();
  if (SUCCEEDED(NavigateInNewTab(browser, url.Get()))) browser->Quit();
}

void ReopenTabs(Log& log) {
  ComPtr<IShellWindows> list = ShellWindows();
  if (!list) return;
  ComPtr<IUnknown> enumerator;
  HRESULT hr = list->_NewEnum(&enumerator);
  if (FAILED(hr)) {
    log.Error() << kLogCannotEnumerateWindows << hr;
    return;
  }
  LONG count = 0;
  if (FAILED(list->get_Count(&count)) || count == 0) return;
  const std::vector<ComPtr<IWebBrowser2>> browsers = TopLevelBrowsers(list.Get(), count, log);
  if (browsers.empty()) return;
  // Holds the host program while the old tabs' page agents let go of it and
  // before the new tabs' agents have reached it.
  ComPtr<IUnknown> host;
  hr = ::CoCreateInstance(CLSID_CBGC, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&host));
  if (FAILED(hr)) {
    log.Warning() << "firstRun: CoCreateInstance failed, code " << hr;
    return;
  }
  for (const ComPtr<IWebBrowser2>& browser : browsers) Reopen(browser.Get(), log);
  ::Sleep(kHoldHostMs);
}

}  // namespace

void OpenTab(BSTR url) {
  ComPtr<IShellWindows> list = ShellWindows();
  LONG count = 0;
  if (!list || FAILED(list->get_Count(&count))) return;
  for (LONG index = count - 1; index >= 0; --index) {
    HRESULT hr = S_OK;
    if (ComPtr<IWebBrowser2> browser = InternetExplorerAt(list.Get(), index, &hr)) {
      NavigateInNewTab(browser.Get(), url);
      return;
    }
  }
}

int ActiveTab(Log& log) {
  int tab = 0;
  for (HWND frame : FrameWindows()) {
    if (!::IsWindowVisible(frame)) continue;
    log.Trace() << kLogVisibleFrame;
    ForEachDescendant(frame, [&](HWND window) {
      if (!HasWindowClass(window, kPageWindowClass)) return true;
      log.Trace() << kPageWindowClass;  // the line is the class's name
      if (::IsWindowVisible(window)) tab = TabIdOfWindow(window);
      return tab == 0;
    });
    if (tab) break;
  }
  return tab;
}

// The toolbars are found first, once, and then told: finding them asks the
// system about windows of other processes, and the tabs' pages are passed over.
// A tab whose thread has stopped pumping would hold the background page with
// it: a window the system sees as hung is not waited for, and none longer than
// the bound. Such a toolbar gets the state posted, to take when its tab
// pumps again.
void SetIcon(int state, bool* authenticated, Log& log) {
  *authenticated = state != 0;
  for (HWND frame : FrameWindows()) {
    for (HWND toolbar : FindDescendants(frame, kToolbarWindowClass, kFrameTabWindowClass)) {
      DWORD_PTR answer = 0;
      if (::SendMessageTimeoutW(toolbar, WM_TOOLBAR_SETSTATE, 0, state, SMTO_ABORTIFHUNG | SMTO_ERRORONEXIT,
                                kToolbarAnswerMs, &answer)) {
        continue;
      }
      const DWORD error = ::GetLastError();
      log.Warning() << "setIcon: the toolbar " << static_cast<long long>(reinterpret_cast<uintptr_t>(toolbar))
                    << " does not answer, code " << error;
      ::PostMessageW(toolbar, WM_TOOLBAR_SETSTATE, 0, state);
    }
  }
}

void FirstRun(Log& log) {
  const UniqueHandle thread = StartWorker(
      Apartment::kSingleThreaded, [&log, process = std::make_unique<ServerReference>()](const ComApartment& com) {
        if (com.IsReady()) ReopenTabs(log);
        return DWORD{0};
      });
  if (!thread) log.Warning() << "Can't create firstRun thread";
}

}  // namespace tessary::host
