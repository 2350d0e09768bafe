#include "CSimpleScriptSite.h"

#include <servprov.h>
#include <shlguid.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <algorithm>
#include <cwctype>

#include "CBHOHelper.h"
#include "CExtension.h"
#include "CScriptContext.h"
#include "CpageletModule.h"
#include "ExceptionBarrier.h"
#include "ExceptionInfo.h"
#include "ScriptCallback.h"
#include "TabIdentity.h"
#include "TableDispatch.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::pagelet {
namespace {

std::wstring Lower(std::wstring text) {
  std::transform(text.begin(), text.end(), text.begin(), [](wchar_t c) { return std::towlower(c); });
  return text;
}

// Whether a page address lies inside the extension directory: as the browser
// reports local files, by path, or as a file URL.
bool IsInsideExtension(const std::wstring& url, const std::wstring& directory) {
  const std::wstring page = Lower(url);
  const std::wstring path = Lower(directory);
  std::wstring asUrl = L"file:///" + path;
  std::replace(asUrl.begin(), asUrl.end(), L'\\', L'/');
  return !path.empty() && (page.rfind(path, 0) == 0 || page.rfind(asUrl, 0) == 0);
}

CSimpleScriptSite::ScriptSet Classify(const std::wstring& url, const std::wstring& directory) {
  if (!IsInsideExtension(url, directory)) return CSimpleScriptSite::ScriptSet::kOrdinary;
  const std::wstring page = Lower(url);
  if (page.find(L"import.html") != std::wstring::npos) return CSimpleScriptSite::ScriptSet::kImport;
  if (page.find(L"help.html") != std::wstring::npos || page.find(L"welcome.html") != std::wstring::npos) {
    return CSimpleScriptSite::ScriptSet::kHelp;
  }
  return CSimpleScriptSite::ScriptSet::kOrdinary;
}

// A standard dispatcher over one of the agent's table-shaped objects.
template <class Object>
HRESULT BuildDispatch(HRESULT (CpageletModule::*typeInfo)(ComPtr<ITypeInfo>*), Object* object,
                      ComPtr<IDispatch>* dispatch) {
  ComPtr<ITypeInfo> info;
  const HRESULT hr = (CpageletModule::Get().*typeInfo)(&info);
  return FAILED(hr) ? hr : CreateTableDispatcher(info.Get(), object, dispatch);
}

}  // namespace

CSimpleScriptSite::CSimpleScriptSite(CScriptContext& context) : context_(context) {}

CSimpleScriptSite::~CSimpleScriptSite() { Shutdown(); }

bool CSimpleScriptSite::Build(IHTMLWindow2* window, BSTR url, IBGC* hostLink, int tabId) {
  hostLink_ = hostLink;
  tabId_ = tabId;
  url_ = Bstr::Copy(url);
  scriptSet_ = Classify(std::wstring(url_.View()), CpageletModule::Get().ExtensionDirectory());

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
    hostLink->disconnect(tabId_, channel.Get());
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
  if (hostLink) hostLink->log(Bstr(text).Get(), tabId_);
}

void CSimpleScriptSite::NameScript(DWORD context, const std::wstring& name) {
  if (scriptNames_.size() <= context) scriptNames_.resize(context + 1);
  scriptNames_[context] = name;
}

void CSimpleScriptSite::Send(BSTR message) {
  CScriptContext::Use use(context_);
  ComPtr<IBGC> hostLink = hostLink_;
  if (hostLink) hostLink->dispatchMsg(message, tabId_);
}

void CSimpleScriptSite::SetOnMessage(IDispatch* handler) { messageHandler_ = handler; }

void CSimpleScriptSite::Connect() {
  CScriptContext::Use use(context_);
  ComPtr<IBGC> hostLink = hostLink_;
  ComPtr<TabChannel> channel = tabChannel_;
  Bstr url = Bstr::Copy(url_.Get());
  if (hostLink && channel) hostLink->connect(tabId_, channel.Get(), url.Get());
}

void CSimpleScriptSite::OnHostMessage(BSTR message) {
  // With no handler set, the message is dropped. The handler may replace itself
  // while it runs: the call holds its own reference.
  CScriptContext::Use use(context_);
  ComPtr<IDispatch> handler = messageHandler_;
  CallScriptFunction(handler.Get(), {ArgBstr(message)});
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
  ::SafeArrayAccessData(lines, reinterpret_cast<void**>(&element));
  element->vt = VT_BSTR;
  element->bstrVal = dialogContent_.Detach();
  ::SafeArrayUnaccessData(lines);
  const HRESULT written = document->write(lines);
  if (SUCCEEDED(written)) document->close();
  ::SafeArrayDestroy(lines);
  return SUCCEEDED(written);
}

void CSimpleScriptSite::SetTimeout(IDispatch* function, int milliseconds) {
  if (window_) InvokeByName(window_.Get(), L"setTimeout", {ArgDispatch(function), ArgI4(milliseconds)});
}

void CSimpleScriptSite::SetHandler(IDispatch* element, BSTR eventName, IDispatch* handler) {
  ComPtr<IHTMLElement> htmlElement;
  ComPtr<IEventTarget> target;
  if (!element || FAILED(element->QueryInterface(IID_PPV_ARGS(&htmlElement))) ||
      FAILED(htmlElement.As(&target))) {
    return;
  }
  target->addEventListener(eventName, handler, VARIANT_FALSE);
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
  if (!lcid) return E_POINTER;
  *lcid = 0;
  return S_OK;
}

IFACEMETHODIMP CSimpleScriptSite::GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) {
  if ((mask & SCRIPTINFO_ITYPEINFO) && info) *info = nullptr;
  if ((mask & SCRIPTINFO_IUNKNOWN) && item) {
    *item = nullptr;
    if (wcscmp(name, L"window") == 0 && window_) {
      window_.CopyTo(item);
    } else if (wcscmp(name, L"extension") == 0 && extensionDispatch_) {
      extensionDispatch_.CopyTo(item);
    }
  }
  return S_OK;
}

IFACEMETHODIMP CSimpleScriptSite::GetDocVersionString(BSTR* version) {
  if (!version) return E_POINTER;
  *version = ::SysAllocString(L"1.0");
  return S_OK;
}

IFACEMETHODIMP CSimpleScriptSite::OnScriptTerminate(const VARIANT*, const EXCEPINFO*) { return S_OK; }
IFACEMETHODIMP CSimpleScriptSite::OnStateChange(SCRIPTSTATE) { return S_OK; }
IFACEMETHODIMP CSimpleScriptSite::OnEnterScript() { return S_OK; }
IFACEMETHODIMP CSimpleScriptSite::OnLeaveScript() { return S_OK; }

// A content script's error goes to the host's log, with the script and line.
IFACEMETHODIMP CSimpleScriptSite::OnScriptError(IActiveScriptError* error) {
  ExceptionInfo exception;
  DWORD context = 0;
  ULONG line = 0;
  LONG column = 0;
  if (!error || FAILED(error->GetExceptionInfo(exception.Put()))) return S_OK;
  error->GetSourcePosition(&context, &line, &column);
  ExceptionBarrier([&] {
    const std::wstring script = context < scriptNames_.size() ? scriptNames_[context] : L"content script";
    // An extension in development also learns on which page it happened.
    const std::wstring page = CpageletModule::Get().DebugMode() ? L" on " + std::wstring(url_.View()) : L"";
    HostLog(L"Script error in " + script + L", line " + std::to_wstring(line + 1) + page + L": " +
            std::wstring(exception.Description()));
    return S_OK;
  });
  return S_OK;
}

IFACEMETHODIMP CSimpleScriptSite::GetWindow(HWND* window) {
  if (!window) return E_POINTER;
  *window = BrowserWindow();
  return *window ? S_OK : E_FAIL;
}

IFACEMETHODIMP CSimpleScriptSite::EnableModeless(BOOL) { return S_OK; }

}  // namespace tessary::pagelet
