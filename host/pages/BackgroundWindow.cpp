#include "BackgroundWindow.h"

#include <wrl/client.h>

#include <memory>
#include <new>

#include "AXClientSite.h"
#include "ApiState.h"
#include "BackgroundPage.h"
#include "BackgroundReload.h"
#include "Bstr.h"
#include "ComModule.h"
#include "ExceptionBarrier.h"
#include "Failures.h"
#include "HostMessages.h"
#include "HostNames.h"
#include "HostProcess.h"
#include "PageHostWindow.h"
#include "PageSites.h"
#include "ScriptCallback.h"
#include "ScriptErrors.h"
#include "UniqueHandle.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

const wchar_t* HandlerName(WPARAM slot) {
  switch (slot) {
    case kConnectHandler: return L"the connect handler";
    case kDisconnectHandler: return L"the disconnect handler";
    default: return L"the message handler";
  }
}

// A handler may replace itself (or be replaced by a re-entrant call) while it
// runs; the call keeps its own reference.
void CallHandler(AXClientSite* site, WPARAM slot, std::initializer_list<VARIANT> args) {
  if (!site) return;
  ComPtr<IDispatch> handler = *site->Handler(slot);
  CallPageFunction(handler.Get(), args, L"BG", HandlerName(slot), Host().log);
}

void SetHandler(AXClientSite* site, WPARAM slot, IDispatch* handler) {
  ComPtr<IDispatch>* kept = site ? site->Handler(slot) : nullptr;
  if (kept) *kept = handler;
}

void MarshalWindow(AXClientSite* site, IStream** stream) {
  if (site && site->PageWindow() && stream) {
    LOG_IF_FAILED(::CoMarshalInterThreadInterfaceInStream(IID_IHTMLWindow2, site->PageWindow(), stream));
  }
}

void CallPopupClosed(AXClientSite* site) {
  ComPtr<IDispatch> script;
  if (!site || !site->Document() || FAILED(site->Document()->get_Script(&script)) || !script) return;
  if (SUCCEEDED(InvokeByName(script.Get(), kPopupClosedFunction, {}))) {
    Host().log.Trace() << kLogPopupClosedCalled;
  }
}

// A copy of the clipboard's text in a block of its own; null when there is no
// text or no memory for it.
HGLOBAL CopyClipboardText() {
  HANDLE data = ::GetClipboardData(CF_UNICODETEXT);
  const auto* text = data ? static_cast<const wchar_t*>(::GlobalLock(data)) : nullptr;
  if (!text) return nullptr;
  const size_t bytes = (wcslen(text) + 1) * sizeof(wchar_t);
  HGLOBAL copy = ::GlobalAlloc(GMEM_MOVEABLE | GMEM_DDESHARE, bytes);
  void* target = copy ? ::GlobalLock(copy) : nullptr;
  if (target) {
    memcpy(target, text, bytes);
    ::GlobalUnlock(copy);
  } else if (copy) {
    copy = ::GlobalFree(copy);
  }
  ::GlobalUnlock(data);
  return copy;
}

// Puts the clipboard's text back as a copy that this window owns, so that text
// copied in the popup outlives the popup's thread (whose OLE provides it until
// then). The clipboard is emptied only once the copy exists, and opened with
// this window as owner: emptied without an owner, it would refuse the copy.
void KeepClipboard(HWND window) {
  if (!::OpenClipboard(window)) return;
  if (HGLOBAL copy = CopyClipboardText()) {
    if (!::EmptyClipboard() || !::SetClipboardData(CF_UNICODETEXT, copy)) ::GlobalFree(copy);
  }
  ::CloseClipboard();
}

// A tab that died never disconnects: the page hears of it once its channel
// was found gone. Posted, so that a page that found it in the middle of a
// call is not entered again before that call has returned.
void WatchForLostChannels(HWND window) {
  Api().tabChannels.OnLost([window](int tabId, IDispatch* channel, HRESULT failure) {
    Host().log.Warning() << "Tab " << tabId << " can't be reached any more (" << static_cast<long>(failure)
                         << "), disconnecting it";
    auto* record = new (std::nothrow) LostChannelRecord{tabId, channel};
    if (record && !::PostMessageW(window, WM_BG_CHANNEL_LOST, 0, reinterpret_cast<LPARAM>(record))) delete record;
  });
}

// The author's reload: the page loads anew, its handlers go with the old page,
// and calls from tabs wait (E_PENDING) until the new page's main has run.
void Reload(AXClientSite* site, HWND window) {
  HostProcess& host = Host();
  if (!site || host.background != BackgroundState::kRunning) return;
  host.log.Trace() << "BG: reloading background.html";
  host.background = BackgroundState::kStarting;
  for (WPARAM slot : {kConnectHandler, kDisconnectHandler, kMessageHandler}) site->Handler(slot)->Reset();
  NavigatePageHost(window, host.directories.ProgramFolder() + kBackgroundPage);
}

// An extension in development sees each message the page sends to a tab.
void TraceMessagesToTabs() {
  if (!Host().config.Debug()) return;
  Api().tabChannels.OnCall([](int tabId, const DISPPARAMS& params) {
    if (params.cArgs != 1 || params.rgvarg[0].vt != VT_BSTR) return;
    Host().log.Trace() << "BG: message to tab " << tabId << ", " << ::SysStringLen(params.rgvarg[0].bstrVal)
                       << " characters";
  });
}

}  // namespace

void AnnounceConnectedTabs(AXClientSite* site) {
  Api().tabChannels.ForEach([site](int tabId, IDispatch* channel, const std::wstring& url) {
    CallHandler(site, kConnectHandler, {ArgI4(tabId), ArgDispatch(channel), ArgBstr(Bstr(url).Get())});
  });
}

LRESULT CALLBACK BackgroundWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return MessageBarrier(
      [&]() -> LRESULT {
        AXClientSite* site = Sites().background;
        if (message == BackgroundReloadMessage()) {
          Reload(site, window);
          return 0;
        }
        switch (message) {
          case WM_CREATE:
            WatchForLostChannels(window);
            TraceMessagesToTabs();
            return CreatePageSite(window, true, BackgroundPageEvents());
          case WM_BG_MARSHAL_WINDOW: MarshalWindow(site, reinterpret_cast<IStream**>(lParam)); return 0;
          case WM_BG_POPUP_CLOSED: CallPopupClosed(site); return 0;
          case WM_BG_CONNECT: {
            std::unique_ptr<ConnectRecord> record(reinterpret_cast<ConnectRecord*>(lParam));
            ComPtr<IDispatch> channel =
                Api().tabChannels.For(record->tabId, record->pDisp, std::wstring(BstrView(record->url)));
            CallHandler(site, kConnectHandler,
                        {ArgI4(record->tabId), ArgDispatch(channel.Get()), ArgBstr(record->url)});
            return 0;
          }
          case WM_BG_DISCONNECT: {
            std::unique_ptr<DisconnectRecord> record(reinterpret_cast<DisconnectRecord*>(lParam));
            ComPtr<IDispatch> channel = Api().tabChannels.For(record->tabId, record->pDisp);
            CallHandler(site, kDisconnectHandler, {ArgI4(record->tabId), ArgDispatch(channel.Get())});
            Api().tabChannels.Forget(record->pDisp);
            return 0;
          }
          case WM_BG_CHANNEL_LOST: {
            std::unique_ptr<LostChannelRecord> record(reinterpret_cast<LostChannelRecord*>(lParam));
            CallHandler(site, kDisconnectHandler, {ArgI4(record->tabId), ArgDispatch(record->channel.Get())});
            return 0;
          }
          case WM_BG_MESSAGE:
            CallHandler(site, kMessageHandler,
                        {ArgBstr(reinterpret_cast<BSTR>(wParam)), ArgI4(static_cast<LONG>(lParam))});
            return 0;
          case WM_BG_SET_HANDLER: SetHandler(site, wParam, reinterpret_cast<IDispatch*>(lParam)); return 0;
          case WM_BG_KEEP_CLIPBOARD: KeepClipboard(window); return 0;
          case WM_BG_RELEASE_SERVER: ComModule::Current().Unlock(); return 0;
        }
        return CommonPageHostProc(window, message, wParam, lParam);
      },
      [&] { return ::DefWindowProcW(window, message, wParam, lParam); });
}

}  // namespace tessary::host
