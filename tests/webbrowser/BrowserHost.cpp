#include "BrowserHost.h"

#include <exdispid.h>
#include <servprov.h>
#include <shlguid.h>
#include <shobjidl.h>

#include <algorithm>

#include "Bstr.h"
#include "ComObject.h"
#include "OleContainerSite.h"
#include "TestEnvironment.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {

namespace {

constexpr wchar_t kWindowClass[] = L"TessaryTestBrowserHost";

void RegisterWindowClass() {
  WNDCLASSEXW windowClass = {sizeof(windowClass)};
  windowClass.lpfnWndProc = ::DefWindowProcW;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kWindowClass;
  ::RegisterClassExW(&windowClass);  // fails harmlessly once registered
}

const VARIANT& Argument(const DISPPARAMS* params, UINT naturalIndex) {
  return params->rgvarg[params->cArgs - 1 - naturalIndex];
}

}  // namespace

class BrowserHost::Site : public ComObjectRoot, public OleContainerSite, public IDispatch, public IServiceProvider {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {QITABENT(Site, IOleClientSite),
                                       QITABENT(Site, IOleInPlaceSite),
                                       QITABENTMULTI(Site, IOleWindow, IOleInPlaceSite),
                                       QITABENT(Site, IOleInPlaceFrame),
                                       QITABENT(Site, IOleInPlaceUIWindow),
                                       QITABENT(Site, IDispatch),
                                       QITABENT(Site, IServiceProvider),
                                       {}};
    return interfaces;
  }
  // One IUnknown for the several bases; ComObject implements it.
  IFACEMETHODIMP QueryInterface(REFIID riid, void** object) override = 0;
  IFACEMETHODIMP_(ULONG) AddRef() override = 0;
  IFACEMETHODIMP_(ULONG) Release() override = 0;

  std::vector<BrowserEvent> events;
  std::vector<std::wstring> cancelled;
  ComPtr<IDispatch> newWindow;

  // IServiceProvider: the container stands for the tab's shell browser, as a
  // tab of Internet Explorer answers it: its window is the host's.
  IFACEMETHODIMP QueryService(REFGUID service, REFIID riid, void** object) override {
    if (!object) return E_POINTER;
    *object = nullptr;
    return IsEqualGUID(service, SID_SShellBrowser) ? QueryInterface(riid, object) : E_NOINTERFACE;
  }

  // IDispatch: the browser's events
  IFACEMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    BrowserEvent event;
    event.id = id;
    event.argumentCount = params ? params->cArgs : 0;
    if (id == DISPID_NEWWINDOW3 && event.argumentCount == 5) {
      AnswerNewWindow(params, &event);
    } else if (event.argumentCount >= 2) {
      Record(params, &event);
    }
    events.push_back(event);
    return S_OK;
  }

 private:
  void AnswerNewWindow(DISPPARAMS* params, BrowserEvent* event) {
    const VARIANT& url = Argument(params, 4);
    if (url.vt == VT_BSTR && url.bstrVal) event->url = url.bstrVal;
    const VARIANT& browser = Argument(params, 0);
    if (newWindow && browser.vt == (VT_DISPATCH | VT_BYREF)) newWindow.CopyTo(browser.ppdispVal);
  }

  void Record(DISPPARAMS* params, BrowserEvent* event) {
    const VARIANT& browser = Argument(params, 0);
    if (browser.vt == VT_DISPATCH) event->browser = browser.pdispVal;
    ComPtr<IWebBrowser2> web;
    VARIANT_BOOL top = VARIANT_FALSE;
    if (event->browser && SUCCEEDED(event->browser.As(&web))) web->get_TopLevelContainer(&top);
    event->topLevel = top == VARIANT_TRUE;
    const VARIANT& url = Argument(params, 1);
    event->urlType = url.vt;
    if (url.vt == (VT_VARIANT | VT_BYREF) && url.pvarVal) {
      event->urlValueType = url.pvarVal->vt;
      if (url.pvarVal->vt == VT_BSTR && url.pvarVal->bstrVal) event->url = url.pvarVal->bstrVal;
    }
    if (event->id != DISPID_BEFORENAVIGATE2 || params->cArgs != 7) return;
    VARIANT& cancel = params->rgvarg[0];
    event->cancelType = cancel.vt;
    const bool refuse = std::any_of(cancelled.begin(), cancelled.end(),
                                    [&](const std::wstring& text) { return event->url.find(text) != std::wstring::npos; });
    if (refuse && cancel.vt == (VT_BOOL | VT_BYREF)) *cancel.pboolVal = VARIANT_TRUE;
  }
};

BrowserHost::BrowserHost(HWND parent) : site_(MakeComObject<Site>()) {
  RegisterWindowClass();
  // Not shown: under Wine on a virtual display, destroying a shown top-level
  // window waits about two seconds for a window manager that is not there.
  RECT area = {0, 0, 640, 480};
  if (parent) ::GetClientRect(parent, &area);
  window_ = ::CreateWindowExW(0, kWindowClass, L"browser host", parent ? WS_CHILD | WS_VISIBLE : WS_POPUP, 0, 0,
                              area.right, area.bottom, parent, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!window_) return;
  site_->SetWindow(window_);
  DWORD cookie = 0;
  if (FAILED(EmbedControl(CLSID_WebBrowser, site_.Get(), &object_)) ||
      FAILED(AdviseEvents(object_.Get(), DIID_DWebBrowserEvents2, static_cast<IDispatch*>(site_.Get()), &cookie))) {
    return;
  }
  object_.As(&browser_);
}

BrowserHost::~BrowserHost() {
  CloseControl(object_.Get());
  browser_.Reset();
  object_.Reset();
  if (window_) ::DestroyWindow(window_);
}

bool BrowserHost::Load(const std::wstring& address, DWORD timeoutMs) {
  ClearEvents();
  Variant url;
  url.Get()->vt = VT_BSTR;
  url.Get()->bstrVal = ::SysAllocString(address.c_str());
  if (FAILED(browser_->Navigate2(url.Get(), nullptr, nullptr, nullptr, nullptr))) return false;
  return PumpUntil([this] { return TopDocumentCompleted(); }, timeoutMs);
}

bool BrowserHost::PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  return PumpMessagesUntil(condition, timeoutMs);
}

bool BrowserHost::TopDocumentCompleted() const {
  return std::any_of(site_->events.begin(), site_->events.end(),
                     [](const BrowserEvent& e) { return e.id == DISPID_DOCUMENTCOMPLETE && e.topLevel; });
}

const std::vector<BrowserEvent>& BrowserHost::Events() const { return site_->events; }
void BrowserHost::ClearEvents() { site_->events.clear(); }
void BrowserHost::AnswerNewWindowsWith(IDispatch* browser) { site_->newWindow = browser; }

void BrowserHost::CancelNavigationsTo(const std::wstring& text) { site_->cancelled.push_back(text); }

ComPtr<IHTMLDocument2> BrowserHost::Document() const {
  ComPtr<IDispatch> dispatch;
  ComPtr<IHTMLDocument2> document;
  if (browser_ && browser_->get_Document(&dispatch) == S_OK && dispatch) dispatch.As(&document);
  return document;
}

ComPtr<IHTMLWindow2> BrowserHost::PageWindow() const {
  ComPtr<IHTMLWindow2> window;
  if (ComPtr<IHTMLDocument2> document = Document()) document->get_parentWindow(&window);
  return window;
}

std::wstring BodyAttribute(const BrowserHost& tab, const wchar_t* name) {
  ComPtr<IHTMLDocument2> document = tab.Document();
  ComPtr<IHTMLElement> body;
  Variant value;
  if (!document || FAILED(document->get_body(&body)) || !body ||
      FAILED(body->getAttribute(Bstr(name).Get(), 0, value.Put())) || value->vt != VT_BSTR) {
    return L"";
  }
  return value->bstrVal ? value->bstrVal : L"";
}

ComPtr<IHTMLElement> ElementById(IHTMLDocument2* document, const wchar_t* id) {
  Variant found;
  ComPtr<IHTMLElement> element;
  Bstr name(id);
  if (document && SUCCEEDED(CallByName(document, L"getElementById", {ArgBstr(name.Get())}, found.Get())) &&
      found->vt == VT_DISPATCH && found->pdispVal) {
    found->pdispVal->QueryInterface(IID_PPV_ARGS(&element));
  }
  return element;
}

}  // namespace tessary::test
