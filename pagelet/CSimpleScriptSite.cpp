#include "CSimpleScriptSite.h"

#include <servprov.h>
#include <shlguid.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include "CBHOHelper.h"
#include "CExtension.h"
#include "CScriptContext.h"
#include "CpageletModule.h"
#include "ExceptionBarrier.h"
#include "ExceptionInfo.h"
#include "Failures.h"
#include "PageletNames.h"
#include "ScriptCallback.h"
#include "TabIdentity.h"
#include "TableDispatch.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::pagelet {
namespace {

// A standard dispatcher over one of the agent's table-shaped objects.
template <class Object>
HRESULT BuildDispatch(HRESULT (CpageletModule::*typeInfo)(ComPtr<ITypeInfo>*), Object* object,
                      ComPtr<IDispatch>* dispatch) {
  ComPtr<ITypeInfo> info;
  RETURN_IF_FAILED((CpageletModule::Get().*typeInfo)(&info));
  return CreateTableDispatcher(info.Get(), object, dispatch);
}

}  // namespace

CSimpleScriptSite::CSimpleScriptSite(CScriptContext& context) : context_(context) {}

CSimpleScriptSite::~CSimpleScriptSite() { Shutdown(); }

bool CSimpleScriptSite::Build(IHTMLWindow2* window, BSTR url, IBGC* hostLink, int tabId) {
  hostLink_ = hostLink;
  tabId_ = tabId;
  url_ = Bstr::Copy(url);

  extension_ = std::make_unique<CExtension>(*this);
  if (FAILED(BuildDispatch(&CpageletModule::ExtensionTypeInfo, extension_.get(), &extensionDispatch_))) return false;

  helper_ = std::make_unique<CBHOHelper>(*this);
  ComPtr<IDispatch> helperDispatch;
  if (FAILED(BuildDispatch(&CpageletModule::ChannelTypeInfo, helper_.get(), &helperDispatch))) return false;
  tabChannel_ = MakeComObject<TabChannel>();
  tabChannel_->Open(helperDispatch.Get());

  window_ = window;
  return true;
}

// The page's handler goes first: while the host hears of the disconnect, it
// may still send, and the page has ended.
void CSimpleScriptSite::Shutdown() {
  messageHandler_.Reset();
  if (hostLink_ && tabChannel_) {
    ComPtr<IBGC> hostLink = hostLink_;
    ComPtr<TabChannel> channel = tabChannel_;
    LOG_IF_FAILED(hostLink->disconnect(tabId_, channel.Get()));
  }
  if (tabChannel_) tabChannel_->Close();
  tabChannel_.Reset();
  hostLink_.Reset();
  extensionDispatch_.Reset();
  window_.Reset();
  extension_.reset();
  helper_.reset();
  dialogHandler_.Reset();
  dialogContent_ = Bstr();
  dialogName_ = Bstr();
  messageHandler_.Reset();
}

// Calls to the host let other messages in: each holds the context, and the
// host link, for its length.
void CSimpleScriptSite::HostLog(const std::wstring& text) {
  CScriptContext::Use use(context_);
  ComPtr<IBGC> hostLink = hostLink_;
  // The log is where failures go: a failure to write it has nowhere to go.
  if (hostLink) (void)hostLink->log(Bstr(text).Get(), tabId_);
}

void CSimpleScriptSite::NameScript(DWORD context, const std::wstring& name) {
  if (scriptNames_.size() <= context) scriptNames_.resize(context + 1);
  scriptNames_[context] = name;
}

void CSimpleScriptSite::Send(BSTR message) {
  CScriptContext::Use use(context_);
  ComPtr<IBGC> hostLink = hostLink_;
  if (hostLink) LOG_IF_FAILED(hostLink->dispatchMsg(message, tabId_));
}

void CSimpleScriptSite::SetOnMessage(IDispatch* handler) { messageHandler_ = handler; }

void CSimpleScriptSite::Connect() {
  CScriptContext::Use use(context_);
  ComPtr<IBGC> hostLink = hostLink_;
  ComPtr<TabChannel> channel = tabChannel_;
  Bstr url = Bstr::Copy(url_.Get());
  if (hostLink && channel) LOG_IF_FAILED(hostLink->connect(tabId_, channel.Get(), url.Get()));
}

void CSimpleScriptSite::OnHostMessage(BSTR message) {
  // With no handler set, the message is dropped. The handler may replace itself
  // while it runs: the call holds its own reference.
  CScriptContext::Use use(context_);
  ComPtr<IDispatch> handler = messageHandler_;
  // A script error in the handler reaches the host's log through OnScriptError.
  (void)CallScriptFunction(handler.Get(), {ArgBstr(message)});
}

void CSimpleScriptSite::PrepareDialog(BSTR name, BSTR content, IDispatch* handler) {
  if (dialogState_ != DialogState::kIdle) return;
  dialogName_ = Bstr::Copy(name);
  dialogContent_ = Bstr::Copy(content);
  dialogHandler_ = handler;
  dialogState_ = DialogState::kPrepared;
}

void CSimpleScriptSite::CompleteDialog(IWebBrowser2* frame) {
  if (dialogState_ != DialogState::kPrepared) return;
  ComPtr<IDispatch> dispatch;
  ComPtr<IHTMLDocument2> document;
  ComPtr<IHTMLWindow2> window;
  Bstr name;
  if (frame->get_Document(&dispatch) != S_OK || !dispatch || FAILED(dispatch.As(&document)) ||
      FAILED(document->get_parentWindow(&window)) || FAILED(window->get_name(name.Put()))) {
    return;
  }
  if (::CompareStringW(LOCALE_USER_DEFAULT, 0, name.Get() ? name.Get() : L"", -1,
                       dialogName_.Get() ? dialogName_.Get() : L"", -1) != CSTR_EQUAL) {
    return;
  }
  dialogState_ = DialogState::kWriting;
  if (!WriteDialog(document.Get()) || dialogState_ != DialogState::kWriting) return;
  ComPtr<IDispatch> handler = dialogHandler_;
  if (SUCCEEDED(CallScriptFunction(handler.Get(), {ArgDispatch(dispatch.Get())}))) {
    dialogState_ = DialogState::kIdle;
    dialogHandler_.Reset();
    dialogName_ = Bstr();
  }
}

// open, write the content (which moves into the array: the site keeps none of
// it afterwards), close.
bool CSimpleScriptSite::WriteDialog(IHTMLDocument2* document) {
  ComPtr<IDispatch> opened;
  VARIANT none;
  ::VariantInit(&none);
  if (FAILED(document->open(nullptr, none, none, none, &opened))) return false;
  SAFEARRAY* lines = ::SafeArrayCreateVector(VT_VARIANT, 0, 1);
  if (!lines) return false;
  VARIANT* element = nullptr;
  if (FAILED(LOG_IF_FAILED(::SafeArrayAccessData(lines, reinterpret_cast<void**>(&element))))) {
    LOG_IF_FAILED(::SafeArrayDestroy(lines));
    return false;
  }
  element->vt = VT_BSTR;
  element->bstrVal = dialogContent_.Detach();
  LOG_IF_FAILED(::SafeArrayUnaccessData(lines));
  const HRESULT written = document->write(lines);
  if (SUCCEEDED(written)) LOG_IF_FAILED(document->close());
  LOG_IF_FAILED(::SafeArrayDestroy(lines));
  return SUCCEEDED(written);
}

void CSimpleScriptSite::SetTimeout(IDispatch* function, int milliseconds) {
  if (window_) LOG_IF_FAILED(InvokeByName(window_.Get(), L"setTimeout", {ArgDispatch(function), ArgI4(milliseconds)}));
}

void CSimpleScriptSite::SetHandler(IDispatch* element, BSTR eventName, IDispatch* handler) {
  ComPtr<IHTMLElement> htmlElement;
  ComPtr<IEventTarget> target;
  if (!element || FAILED(element->QueryInterface(IID_PPV_ARGS(&htmlElement))) ||
      FAILED(htmlElement.As(&target))) {
    return;
  }
  LOG_IF_FAILED(target->addEventListener(eventName, handler, VARIANT_FALSE));
}

// The tab's own window. Since Internet Explorer has tabs, a browser's HWND is
// its frame's, the same for every tab: the tab's window is its shell
// browser's, and HWND is the answer only where that service is missing.
HWND CSimpleScriptSite::BrowserWindow() {
  ComPtr<IHTMLDocument2> document;
  ComPtr<IServiceProvider> services;
  ComPtr<IWebBrowser2> browser;
  if (!window_ || FAILED(window_->get_document(&document)) || !document || FAILED(document.As(&services)) ||
      FAILED(services->QueryService(SID_SWebBrowserApp, IID_PPV_ARGS(&browser)))) {
    return nullptr;
  }
  if (const HWND window = ShellBrowserWindow(browser.Get())) return window;
  SHANDLE_PTR handle = 0;
  return SUCCEEDED(browser->get_HWND(&handle)) ? reinterpret_cast<HWND>(handle) : nullptr;
}

bool CSimpleScriptSite::IsActiveTab() {
  HWND window = BrowserWindow();
  return window && ::IsWindowVisible(window);
}

IFACEMETHODIMP CSimpleScriptSite::QueryInterface(REFIID riid, void** ppv) {
  static const QITAB interfaces[] = {
      QITABENT(CSimpleScriptSite, IActiveScriptSite),
      QITABENT(CSimpleScriptSite, IActiveScriptSiteWindow),
      {},
  };
  return QISearch(this, interfaces, riid, ppv);
}

IFACEMETHODIMP_(ULONG) CSimpleScriptSite::AddRef() { return ::InterlockedIncrement(&refs_); }
IFACEMETHODIMP_(ULONG) CSimpleScriptSite::Release() { return ::InterlockedDecrement(&refs_); }

IFACEMETHODIMP CSimpleScriptSite::GetLCID(LCID* lcid) {
  return ExceptionBarrier([&] {
    if (!lcid) return E_POINTER;
    *lcid = 0;
    return S_OK;
  });
}

IFACEMETHODIMP CSimpleScriptSite::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) {
  return ExceptionBarrier([&] {
    if ((mask & SCRIPTINFO_ITYPEINFO) && info) *info = nullptr;
    if ((mask & SCRIPTINFO_IUNKNOWN) && item) {
      *item = nullptr;
      // CopyTo only adds a reference: it cannot fail.
      if (wcscmp(name, kWindowItem) == 0 && window_) {
        (void)window_.CopyTo(item);
      } else if (wcscmp(name, kExtensionItem) == 0 && extensionDispatch_) {
        (void)extensionDispatch_.CopyTo(item);
      }
    }
    return S_OK;
  });
}

IFACEMETHODIMP CSimpleScriptSite::GetDocVersionString(BSTR* version) {
  return ExceptionBarrier([&] {
    if (!version) return E_POINTER;
    *version = ::SysAllocString(L"1.0");
    return S_OK;
  });
}

IFACEMETHODIMP CSimpleScriptSite::OnScriptTerminate(const VARIANT*, const EXCEPINFO*) { return S_OK; }
IFACEMETHODIMP CSimpleScriptSite::OnStateChange(SCRIPTSTATE) { return S_OK; }
IFACEMETHODIMP CSimpleScriptSite::OnEnterScript() { return S_OK; }
IFACEMETHODIMP CSimpleScriptSite::OnLeaveScript() { return S_OK; }

// A content script's error goes to the host's log, with the script and line.
IFACEMETHODIMP CSimpleScriptSite::OnScriptError(IActiveScriptError* error) {
  return ExceptionBarrier([&] {
    ExceptionInfo exception;
    DWORD context = 0;
    ULONG line = 0;
    LONG column = 0;
    if (!error || FAILED(error->GetExceptionInfo(exception.Put()))) return S_OK;
    // Without a position the error is reported at the first line of the first script.
    LOG_IF_FAILED(error->GetSourcePosition(&context, &line, &column));
    const std::wstring script = context < scriptNames_.size() ? scriptNames_[context] : L"content script";
    // An extension in development also learns on which page it happened.
    const std::wstring page = CpageletModule::Get().DebugMode() ? L" on " + std::wstring(url_.View()) : L"";
    HostLog(L"Script error in " + script + L", line " + std::to_wstring(line + 1) + page + L": " +
            std::wstring(exception.Description()));
    return S_OK;
  });
}

IFACEMETHODIMP CSimpleScriptSite::GetWindow(HWND* window) {
  return ExceptionBarrier([&] {
    if (!window) return E_POINTER;
    *window = BrowserWindow();
    return *window ? S_OK : E_FAIL;
  });
}

IFACEMETHODIMP CSimpleScriptSite::EnableModeless(BOOL) { return S_OK; }

}  // namespace tessary::pagelet
