#include "BrowserHost.h"

#include <exdispid.h>
#include <ole2.h>

#include <algorithm>

#include "ComObject.h"
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

class BrowserHost::Site : public ComObjectRoot,
                          public IOleClientSite,
                          public IOleInPlaceSite,
                          public IOleInPlaceFrame,
                          public IDispatch {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {QITABENT(Site, IOleClientSite),
                                       QITABENT(Site, IOleInPlaceSite),
                                       QITABENTMULTI(Site, IOleWindow, IOleInPlaceSite),
                                       QITABENT(Site, IOleInPlaceFrame),
                                       QITABENT(Site, IOleInPlaceUIWindow),
                                       QITABENT(Site, IDispatch),
                                       {}};
    return interfaces;
  }
  // One IUnknown for the several bases; ComObject implements it.
  IFACEMETHODIMP QueryInterface(REFIID riid, void** object) override = 0;
  IFACEMETHODIMP_(ULONG) AddRef() override = 0;
  IFACEMETHODIMP_(ULONG) Release() override = 0;

  HWND window = nullptr;
  std::vector<BrowserEvent> events;
  std::vector<std::wstring> cancelled;
  ComPtr<IDispatch> newWindow;

  // IOleClientSite
  IFACEMETHODIMP SaveObject() override { return S_OK; }
  IFACEMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override {
    *moniker = nullptr;
    return E_NOTIMPL;
  }
  IFACEMETHODIMP GetContainer(IOleContainer** container) override {
    *container = nullptr;
    return E_NOINTERFACE;
  }
  IFACEMETHODIMP ShowObject() override { return S_OK; }
  IFACEMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  IFACEMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow
  IFACEMETHODIMP GetWindow(HWND* result) override {
    *result = window;
    return S_OK;
  }
  IFACEMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  IFACEMETHODIMP CanInPlaceActivate() override { return S_OK; }
  IFACEMETHODIMP OnInPlaceActivate() override { return S_OK; }
  IFACEMETHODIMP OnUIActivate() override { return S_OK; }
  IFACEMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override {
    *frame = this;
    AddRef();
    *document = nullptr;
    ::GetClientRect(window, position);
    *clip = *position;
    info->fMDIApp = FALSE;
    info->hwndFrame = window;
    info->haccel = nullptr;
    info->cAccelEntries = 0;
    return S_OK;
  }
  IFACEMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  IFACEMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  IFACEMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  IFACEMETHODIMP DiscardUndoState() override { return S_OK; }
  IFACEMETHODIMP DeactivateAndUndo() override { return S_OK; }
  IFACEMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceFrame
  IFACEMETHODIMP GetBorder(LPRECT border) override { return ::GetClientRect(window, border) ? S_OK : E_FAIL; }
  IFACEMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  IFACEMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  IFACEMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  IFACEMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  IFACEMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
  IFACEMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  IFACEMETHODIMP SetStatusText(LPCOLESTR) override { return E_NOTIMPL; }
  IFACEMETHODIMP EnableModeless(BOOL) override { return E_NOTIMPL; }
  IFACEMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return E_NOTIMPL; }

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

BrowserHost::BrowserHost() : site_(MakeComObject<Site>()) {
  RegisterWindowClass();
  // Not shown: under Wine on a virtual display, destroying a shown top-level
  // window waits about two seconds for a window manager that is not there.
  window_ = ::CreateWindowExW(0, kWindowClass, L"browser host", WS_POPUP, 0, 0, 640, 480,
                              nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!window_) return;
  site_->window = window_;
  ComPtr<IStorage> storage;
  if (FAILED(::StgCreateDocfile(nullptr, STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_CREATE | STGM_DELETEONRELEASE, 0,
                                &storage))) {
    return;
  }
  if (FAILED(::OleCreate(CLSID_WebBrowser, IID_IOleObject, OLERENDER_DRAW, nullptr, site_.Get(), storage.Get(),
                         reinterpret_cast<void**>(object_.GetAddressOf())))) {
    return;
  }
  ::OleSetContainedObject(object_.Get(), TRUE);
  RECT client;
  ::GetClientRect(window_, &client);
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  DWORD cookie = 0;
  if (FAILED(object_->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, site_.Get(), 0, window_, &client)) ||
      FAILED(object_.As(&container)) || FAILED(container->FindConnectionPoint(DIID_DWebBrowserEvents2, &point)) ||
      FAILED(point->Advise(static_cast<IOleClientSite*>(site_.Get()), &cookie))) {
    return;
  }
  object_.As(&browser_);
}

BrowserHost::~BrowserHost() {
  if (object_) {
    ComPtr<IOleInPlaceObject> inPlace;
    if (SUCCEEDED(object_.As(&inPlace))) inPlace->InPlaceDeactivate();
    object_->Close(OLECLOSE_NOSAVE);
    object_->SetClientSite(nullptr);
  }
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
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  while (!condition()) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50)),
                                QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return true;
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

std::wstring WriteTestPage(const std::wstring& folder, const std::wstring& name, const std::string& html) {
  const std::wstring path = folder + name;
  return WriteFileBytes(path, html) ? path : L"";
}

std::wstring FileUrl(const std::wstring& path) {
  std::wstring url = L"file:///" + path;
  std::replace(url.begin(), url.end(), L'\\', L'/');
  return url;
}

HRESULT CallByName(IDispatch* object, const std::wstring& name, std::initializer_list<VARIANT> args,
                   VARIANT* result) {
  if (!object) return E_POINTER;
  LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id);
  if (FAILED(hr)) return hr;
  std::vector<VARIANT> reversed(args.begin(), args.end());
  std::reverse(reversed.begin(), reversed.end());
  DISPPARAMS params = {reversed.data(), nullptr, static_cast<UINT>(reversed.size()), 0};
  EXCEPINFO exception = {};
  UINT argError = static_cast<UINT>(-1);
  hr = object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, result, &exception, &argError);
  ::SysFreeString(exception.bstrSource);
  ::SysFreeString(exception.bstrDescription);
  ::SysFreeString(exception.bstrHelpFile);
  return hr;
}

std::wstring GetStringByName(IDispatch* object, const std::wstring& name) {
  if (!object) return L"<no object>";
  LPOLESTR names[] = {const_cast<LPOLESTR>(name.c_str())};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_SYSTEM_DEFAULT, &id))) return L"<unknown name>";
  DISPPARAMS none = {};
  Variant value;
  if (FAILED(object->Invoke(id, IID_NULL, 0, DISPATCH_PROPERTYGET, &none, value.Get(), nullptr, nullptr))) {
    return L"<failed>";
  }
  if (FAILED(::VariantChangeType(value.Get(), value.Get(), 0, VT_BSTR))) return L"<not a string>";
  return value->bstrVal ? value->bstrVal : L"";
}

}  // namespace tessary::test
