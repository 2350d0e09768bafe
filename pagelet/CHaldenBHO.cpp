#include "CHaldenBHO.h"

#include <exdispid.h>
#include <shlwapi.h>

#include <cwchar>

#include "BrowserEvents.h"
#include "CScriptContext.h"
#include "ComIdentity.h"
#include "CpageletModule.h"
#include "ExceptionBarrier.h"
#include "Failures.h"
#include "ModulePath.h"
#include "PageScripts.h"
#include "PageletNames.h"
#include "SharedNames.h"
#include "TabIdentity.h"
#include "WindowBinding.h"

using Microsoft::WRL::ComPtr;

namespace tessary::pagelet {
namespace {

bool IsTopLevel(IWebBrowser2* browser, bool* topLevel) {
  VARIANT_BOOL value = VARIANT_FALSE;
  if (FAILED(browser->get_TopLevelContainer(&value))) return false;
  *topLevel = value == VARIANT_TRUE;
  return true;
}

HRESULT DocumentOf(IWebBrowser2* browser, ComPtr<IHTMLDocument2>* document) {
  ComPtr<IDispatch> dispatch;
  const HRESULT hr = browser->get_Document(&dispatch);
  RETURN_IF_FAILED(hr);
  if (hr != S_OK || !dispatch) return E_FAIL;
  return dispatch.As(document);
}

HRESULT WindowOf(IWebBrowser2* browser, ComPtr<IHTMLWindow2>* window) {
  ComPtr<IHTMLDocument2> document;
  RETURN_IF_FAILED(DocumentOf(browser, &document));
  return document->get_parentWindow(window->ReleaseAndGetAddressOf());
}

// The window's location href; empty when any step fails.
std::wstring HrefOf(IHTMLWindow2* window) {
  ComPtr<IHTMLLocation> location;
  Bstr href;
  if (FAILED(window->get_location(&location)) || !location || FAILED(location->get_href(href.Put()))) return {};
  return std::wstring(href.View());
}

// The tab's window names the tab; a browser that offers none runs a tab per
// process, as before Internet Explorer had tabs.
int TabIdOf(IUnknown* site) {
  const HWND window = ShellBrowserWindow(site);
  return window ? TabIdOfWindow(window) : static_cast<int>(::GetCurrentProcessId());
}

bool BrowserIsComplete(IWebBrowser2* browser) {
  READYSTATE state = READYSTATE_UNINITIALIZED;
  return SUCCEEDED(browser->get_ReadyState(&state)) && state == READYSTATE_COMPLETE;
}

}  // namespace

const QITAB* CHaldenBHO::Interfaces() {
  static const QITAB interfaces[] = {
      QITABENT(CHaldenBHO, IHaldenBHO),
      QITABENTMULTI(CHaldenBHO, IDispatch, IHaldenBHO),
      QITABENT(CHaldenBHO, IObjectWithSite),
      {},
  };
  return interfaces;
}

CHaldenBHO::CHaldenBHO()
    : topWatcher_(this, true), frameWatchers_(new std::array<CWindowWrap, kFrameWatchers>), hostLink_(kInjectMessage) {
  for (CWindowWrap& watcher : *frameWatchers_) watcher.SetOwner(this, false);
}

CHaldenBHO::~CHaldenBHO() {
  // Nothing reaches the agent any more before it calls out: neither the
  // browser's events nor its windows' nor its own window's messages.
  state_.Enter(AgentState::Event::kDie);
  AdviseBrowser(false);
  topWatcher_.detach();
  DetachFrameWatchers();
  if (messageWindow_) BindObject<CHaldenBHO>(messageWindow_, nullptr);
  // The host hears of the page's end even when the tab goes away without
  // unloading it first.
  DestroyContext();
  hostLink_.Reset();
  if (messageWindow_) ::DestroyWindow(messageWindow_);
  frameWatchers_.reset();
}

ComPtr<IObjectWithSite> CHaldenBHO::Hold() { return state_.IsDying() ? nullptr : ComPtr<IObjectWithSite>(this); }

// Through the host's log, when there is a host: the browser shows nothing.
void CHaldenBHO::ReportFailure(const wchar_t* where, HRESULT hr) {
  if (!hostLink_.IsLinked()) return;
  wchar_t text[128];
  std::swprintf(text, ARRAYSIZE(text), hr == E_OUTOFMEMORY ? L"Out of memory in %ls" : L"Failure in %ls: %ld", where,
                static_cast<long>(hr));
  hostLink_.Log(text, tabId_);
}

// Without its extension directory the agent has no scripts to run, and the
// browser is told as for any object that could not be made: E_OUTOFMEMORY is
// the class factory's one answer to a failed construction, which callers
// (and the tests of the class factory) rely on.
HRESULT CHaldenBHO::FinalConstruct() {
  return CpageletModule::Get().ExtensionDirectory().empty() ? E_OUTOFMEMORY : S_OK;
}

IFACEMETHODIMP CHaldenBHO::SetSite(IUnknown* site) {
  return ExceptionBarrier([&] {
    if (!site) {
      AdviseBrowser(false);
      browser_.Reset();
      site_.Reset();
      return S_OK;
    }
    if (!messageWindow_) {
      RETURN_IF_FAILED(CreateMessageWindow());
      ::PostMessageW(messageWindow_, kLinkHostMessage, 0, 0);
    }
    AdviseBrowser(false);
    if (SUCCEEDED(site->QueryInterface(IID_PPV_ARGS(browser_.ReleaseAndGetAddressOf())))) AdviseBrowser(true);
    site_ = site;
    tabId_ = TabIdOf(site);
    return S_OK;
  });
}

IFACEMETHODIMP CHaldenBHO::GetSite(REFIID riid, void** ppv) {
  return ExceptionBarrier([&] {
    if (!ppv) return E_POINTER;
    *ppv = nullptr;
    return site_ ? site_->QueryInterface(riid, ppv) : E_FAIL;
  });
}

HRESULT CHaldenBHO::CreateMessageWindow() {
  // A window that failed to be made leaves the class with this agent for the next try.
  if (!windowClass_.Acquire(&CHaldenBHO::MessageWindowProc)) return E_FAIL;
  messageWindow_ =
      ::CreateWindowExW(0, kMessageWindowClass, nullptr, 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, CurrentModule(), this);
  hostLink_.UseWindow(messageWindow_);
  return messageWindow_ ? S_OK : E_FAIL;
}

// Advised while the cookie is set; a browser without the events gets none.
void CHaldenBHO::AdviseBrowser(bool advise) {
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  if (!browser_ || advise == (browserCookie_ != 0) || FAILED(browser_.As(&container)) ||
      FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point))) {
    return;
  }
  if (advise) {
    if (FAILED(LOG_IF_FAILED(point->Advise(&browserEvents_, &browserCookie_)))) browserCookie_ = 0;
  } else {
    LOG_IF_FAILED(point->Unadvise(browserCookie_));
    browserCookie_ = 0;
  }
}

LRESULT CALLBACK CHaldenBHO::MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return MessageBarrier(
      [&]() -> LRESULT {
        CHaldenBHO* owner = BindOnCreate<CHaldenBHO>(window, message, lParam);
        if (message == WM_NCCREATE) return TRUE;
        switch (message) {
          case kLinkHostMessage:
          case kInjectMessage:
          case WM_TIMER: {
            // Both handlers call the host, for seconds when it has to start first.
            ComPtr<IObjectWithSite> hold = owner ? owner->Hold() : nullptr;
            return hold ? owner->OnWindowMessage(message) : 1;
          }
        }
        return ::DefWindowProcW(window, message, wParam, lParam);
      },
      [&] { return ::DefWindowProcW(window, message, wParam, lParam); });
}

LRESULT CHaldenBHO::OnWindowMessage(UINT message) {
  LRESULT result = 1;
  const HRESULT hr = ExceptionBarrier([&] {
    if (message == kLinkHostMessage) {
      hostLink_.Link();
    } else {
      result = AttemptInjection(message == WM_TIMER);
    }
    return S_OK;
  });
  if (FAILED(hr)) ReportFailure(L"the agent's window", hr);
  return result;
}

LRESULT CHaldenBHO::AttemptInjection(bool fromTimer) {
  if (!hostLink_.AcceptAttempt() || !browser_ || !state_.Allows(AgentState::Event::kStartContext)) return 1;
  if (fromTimer && context_) {
    hostLink_.StopPolling();
    return 0;
  }
  if (!hostLink_.IsReady()) return 1;
  // The call to the host let other messages in: the browser may be gone.
  ComPtr<IWebBrowser2> browser = browser_;
  if (!browser) return 1;
  READYSTATE ready = READYSTATE_UNINITIALIZED;
  if (FAILED(browser->get_ReadyState(&ready))) return 0;
  if (ready != READYSTATE_COMPLETE) return 1;
  ComPtr<IHTMLWindow2> window;
  if (FAILED(WindowOf(browser.Get(), &window))) return 0;
  // An about: page shown since the attempt was asked for gets no scripts, and
  // the previous page's least of all.
  if (IsPseudoUrl(HrefOf(window.Get()).c_str())) {
    hostLink_.StopPolling();
    return 0;
  }
  InjectScripts(window.Get());
  if (context_ || (failedWindow_ && SameObject(failedWindow_.Get(), window.Get()))) hostLink_.StopPolling();
  return 0;
}

void CHaldenBHO::PostInjectionAttempt() {
  if (messageWindow_) ::PostMessageW(messageWindow_, kInjectMessage, 0, 0);
}

// The caller holds the agent. Starting the context and running main for the
// frames call the host: the page may unload meanwhile, and the context then
// ends once this is done with it.
void CHaldenBHO::InjectScripts(IHTMLWindow2* window) {
  if (!state_.Allows(AgentState::Event::kStartContext)) return;
  const ComPtr<IHTMLWindow2> target = window ? window : topWindow_.Get();
  if (!target || (failedWindow_ && SameObject(failedWindow_.Get(), target.Get()))) return;
  if (context_) {
    if (!topWindow_ || !window || SameObject(topWindow_.Get(), window)) return;
    DestroyContext();
  }
  context_ = std::make_unique<CScriptContext>();
  CScriptContext* context = context_.get();
  CScriptContext::Use use(*context);
  const ComPtr<IBGC> hostLink = hostLink_.Get();
  state_.Enter(AgentState::Event::kStartContext);
  const bool started = context->Start(target.Get(), pageUrl_.Get(), hostLink.Get(), tabId_);
  state_.Enter(AgentState::Event::kContextStarted);
  if (context_.get() != context) return;
  if (!started) {
    failedWindow_ = Identity(target.Get());
    DestroyContext();
    return;
  }
  if (window && !SameObject(window, topWindow_.Get())) topWindow_ = window;
  for (CWindowWrap& watcher : *frameWatchers_) {
    const ComPtr<IHTMLWindow2> frame = watcher.Window();
    ComPtr<IHTMLDocument2> document;
    if (frame && SUCCEEDED(frame->get_document(&document)) && document && context_.get() == context) {
      context->RunMain(document.Get());
    }
  }
}

void CHaldenBHO::RunMainInContext(IHTMLDocument2* document) {
  CScriptContext* context = context_.get();
  if (!context) return;
  CScriptContext::Use use(*context);
  context->RunMain(document);
}

// The context goes first out of the member: whatever its end sets off (calls to
// the host let other calls in) finds no context any more.
void CHaldenBHO::DestroyContext() { CScriptContext::Destroy(std::move(context_)); }

void CHaldenBHO::DetachFrameWatchers() {
  if (frameWatchers_) {
    for (CWindowWrap& watcher : *frameWatchers_) watcher.detach();
  }
  frameCount_ = 0;
}

void CHaldenBHO::OnTopWindowUnload() {
  DestroyContext();
  DetachFrameWatchers();
  topWindow_.Reset();
  failedWindow_.Reset();
  state_.Enter(AgentState::Event::kSettle);
}

void CHaldenBHO::OnBeforeNavigate2(const DISPPARAMS* params) {
  ComPtr<IWebBrowser2> browser;
  IDispatch* pDisp = EventDispatch(EventArgument(params, 0));
  const BSTR url = EventString(EventArgument(params, 1));
  bool topLevel = false;
  if (!pDisp || FAILED(pDisp->QueryInterface(IID_PPV_ARGS(&browser))) || !url || IsPseudoUrl(url) ||
      !IsTopLevel(browser.Get(), &topLevel) || !topLevel) {
    return;
  }
  state_.Enter(AgentState::Event::kNavigate);
}

// Hooks the top window while its document is still loading, so that its load
// event is seen.
void CHaldenBHO::OnDownloadBegin() {
  if (!state_.Allows(AgentState::Event::kHookEarly)) return;
  READYSTATE ready = READYSTATE_UNINITIALIZED;
  bool topLevel = false;
  if (!browser_ || FAILED(browser_->get_ReadyState(&ready)) || ready == READYSTATE_COMPLETE) return;
  ComPtr<IHTMLWindow2> window;
  if (FAILED(WindowOf(browser_.Get(), &window)) || !IsTopLevel(browser_.Get(), &topLevel) || !topLevel) return;
  if (HrefOf(window.Get()).find(kAboutPrefix) != std::wstring::npos) return;
  topWindow_ = window;
  topWatcher_.attach(window.Get());
  state_.Enter(AgentState::Event::kHookEarly);
}

void CHaldenBHO::OnDocumentComplete(const DISPPARAMS* params) {
  ComPtr<IWebBrowser2> browser;
  IDispatch* pDisp = EventDispatch(EventArgument(params, 0));
  if (!pDisp || FAILED(pDisp->QueryInterface(IID_PPV_ARGS(&browser)))) return;
  const BSTR url = EventString(EventArgument(params, 1));
  if (url && context_ && ::CompareStringW(LOCALE_USER_DEFAULT, 0, url, -1, kAboutBlank, -1) == CSTR_EQUAL) {
    CScriptContext::Use use(*context_);
    context_->CompleteDialog(browser.Get());
    return;
  }
  bool topLevel = false;
  if (!url || IsPseudoUrl(url) || !IsTopLevel(browser.Get(), &topLevel)) return;
  if (!topLevel) {
    OnFrameComplete(browser.Get());
    return;
  }
  state_.Enter(AgentState::Event::kSettle);
  ComPtr<IHTMLWindow2> window;
  if (FAILED(WindowOf(browser.Get(), &window))) return;
  // A new document: its scripts get their chance, whatever the last one's did.
  failedWindow_.Reset();
  pageUrl_ = Bstr::Copy(url);
  PostInjectionAttempt();
  topWatcher_.attach(window.Get());
}

void CHaldenBHO::OnFrameComplete(IWebBrowser2* frame) {
  if (context_) {
    ComPtr<IHTMLDocument2> document;
    if (SUCCEEDED(DocumentOf(frame, &document))) RunMainInContext(document.Get());
    return;
  }
  if (frameCount_ < kFrameWatchers) {
    ComPtr<IDispatch> dispatch;
    if (frame->get_Document(&dispatch) != S_OK || !dispatch) return;
    ComPtr<IHTMLDocument2> document;
    if (SUCCEEDED(dispatch.As(&document))) {
      ComPtr<IHTMLWindow2> window;
      if (FAILED(document->get_parentWindow(&window))) return;
      (*frameWatchers_)[frameCount_++].attach(window.Get());
    }
  }
  if (!browser_ || !BrowserIsComplete(browser_.Get())) return;
  ComPtr<IHTMLWindow2> top;
  if (FAILED(WindowOf(browser_.Get(), &top))) return;
  const std::wstring href = HrefOf(top.Get());
  if (href.empty()) return;
  pageUrl_ = Bstr(href);
  topWatcher_.attach(top.Get());
  InjectScripts(top.Get());
  state_.Enter(AgentState::Event::kSettle);
}

// The browser is told S_OK whatever its event set off: a failure goes to the host's log.
IFACEMETHODIMP CHaldenBHO::BrowserEvents::Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*,
                                                 EXCEPINFO*, UINT*) {
  return ExceptionBarrier([&] {
    // Events may arrive while the agent holds its last reference only through the
    // browser; keep it alive for the handler's length.
    ComPtr<IObjectWithSite> hold = owner_.Hold();
    if (!hold) return S_OK;
    const HRESULT hr = ExceptionBarrier([&] {
      switch (id) {
        case DISPID_BEFORENAVIGATE2: owner_.OnBeforeNavigate2(params); break;
        case DISPID_DOWNLOADBEGIN: owner_.OnDownloadBegin(); break;
        case DISPID_DOCUMENTCOMPLETE: owner_.OnDocumentComplete(params); break;
      }
      return S_OK;
    });
    if (FAILED(hr)) owner_.ReportFailure(L"a browser event", hr);
    return S_OK;
  });
}

}  // namespace tessary::pagelet
