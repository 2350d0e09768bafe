#include "AgentTestBed.h"

#include <exdispid.h>
#include <mshtmdid.h>

#include "BrowserEventArgs.h"
#include "ComPtrAdopt.h"
#include "HostRegistration.h"
#include "ModuleExport.h"
#include "TabIdentity.h"
#include "TestEnvironment.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {
namespace {

constexpr char kMustache[] = "var mustacheLoaded = true;\r\n";
constexpr char kContentScript[] =
    "var failNext = false;\r\n"
    "function main(frameDocument) {\r\n"
    "  if (frameDocument) { extension.send('frame'); return; }\r\n"
    "  extension.setOnMessage(function (message) {\r\n"
    "    if (message == 'fail') { failNext = true; return; }\r\n"
    "    extension.send('answer');\r\n"
    "  });\r\n"
    "  extension.connect();\r\n"
    "  extension.send('started');\r\n"
    "  if (failNext) throw new Error('asked to fail');\r\n"
    "}\r\n";
constexpr char kPage[] =
    "<html><body><p>page</p><iframe name='a' src='frame.html'></iframe>"
    "<iframe name='b' src='frame.html'></iframe></body></html>";

// Every sink advised on the object's connection point for the events, called
// as the object fires them: each sink advised when the event starts.
void CallSinks(IUnknown* source, REFIID events, DISPID id, VARIANT* args, UINT count) {
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  ComPtr<IEnumConnections> connections;
  if (!source || FAILED(source->QueryInterface(IID_PPV_ARGS(&container))) ||
      FAILED(container->FindConnectionPoint(events, &point)) || FAILED(point->EnumConnections(&connections))) {
    return;
  }
  std::vector<ComPtr<IDispatch>> sinks;
  CONNECTDATA connection;
  while (connections->Next(1, &connection, nullptr) == S_OK) {
    ComPtr<IUnknown> sink = Adopt(connection.pUnk);
    ComPtr<IDispatch> dispatch;
    if (SUCCEEDED(sink.As(&dispatch))) sinks.push_back(dispatch);
  }
  DISPPARAMS params = {args, nullptr, count, 0};
  for (const auto& sink : sinks) {
    Variant result;
    sink->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, result.Get(), nullptr, nullptr);
  }
}

// A tab's window as Internet Explorer makes it; hidden, as the bed's browsers are.
HWND CreateTabWindow() {
  WNDCLASSEXW windowClass = {sizeof(windowClass)};
  windowClass.lpfnWndProc = ::DefWindowProcW;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.lpszClassName = kTabWindowClass;
  ::RegisterClassExW(&windowClass);  // fails harmlessly once registered
  return ::CreateWindowExW(0, kTabWindowClass, L"", WS_POPUP, 0, 0, 640, 480, nullptr, nullptr,
                           ::GetModuleHandleW(nullptr), nullptr);
}

}  // namespace

AgentTestBed::AgentTestBed(size_t tabs) : folder_(MakeTempFolder(L"agentbed")), pages_(MakeTempFolder(L"agentpages")) {
  for (size_t i = 0; i < tabs; ++i) {
    auto tab = std::make_unique<TabBed>();
    // One tab alone stands for a browser without tab windows.
    if (tabs > 1) tab->window = CreateTabWindow();
    tab->browser = std::make_unique<BrowserHost>(tab->window);
    tabs_.push_back(std::move(tab));
  }
  ::CreateDirectoryW((folder_ + L"js").c_str(), nullptr);
  if (!::CopyFileW((ExtensionDirectory() + L"pagelet.dll").c_str(), (folder_ + L"pagelet.dll").c_str(), FALSE) ||
      !WriteFileBytes(folder_ + L"js\\mustache.js", kMustache) || !WriteFileBytes(folder_ + L"content.js", kContentScript) ||
      !WriteFileBytes(pages_ + L"page.html", kPage) ||
      !WriteFileBytes(pages_ + L"frame.html", "<html><body>frame</body></html>")) {
    error_ = "the extension folder could not be written";
    return;
  }
  library_.Reset(::LoadLibraryW((folder_ + L"pagelet.dll").c_str()));
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  auto get = Export<GetClassObject>(library_.Get(), "DllGetClassObject");
  CLSID clsid;
  ::CLSIDFromString(kAgentClsid, &clsid);
  if (!get || FAILED(get(clsid, IID_PPV_ARGS(&factory_)))) {
    error_ = "the agent's DLL did not load";
  } else if (!host_.IsRegistered()) {
    error_ = "the host's class object could not be registered";
  }
  for (size_t tab = 0; tab < tabs_.size() && error_.empty(); ++tab) {
    if (!tabs_[tab]->browser->IsValid() || !Reload(tab)) error_ = "the page did not load";
  }
}

// The browsers go before the windows they sit in.
AgentTestBed::~AgentTestBed() {
  for (auto& tab : tabs_) {
    tab->browser.reset();
    if (tab->window) ::DestroyWindow(tab->window);
  }
}

bool AgentTestBed::Reload(size_t tab) {
  BrowserHost& browser = *tabs_[tab]->browser;
  browser.ClearEvents();
  if (!browser.Load(PagePath())) return false;
  CaptureFrames(*tabs_[tab]);
  return tabs_[tab]->frames.size() == 2;
}

int AgentTestBed::TabId(size_t tab) const { return TabIdOfWindow(tabs_[tab]->browser->Window()); }

void AgentTestBed::CaptureFrames(TabBed& tab) {
  tab.frames.clear();
  for (const BrowserEvent& event : tab.browser->Events()) {
    ComPtr<IWebBrowser2> frame;
    if (event.id == DISPID_DOCUMENTCOMPLETE && !event.topLevel && event.browser &&
        SUCCEEDED(event.browser.As(&frame))) {
      tab.frames.push_back(frame);
    }
  }
  tab.browser->ClearEvents();
}

ComPtr<IObjectWithSite> AgentTestBed::NewAgent(size_t tab) {
  ComPtr<IObjectWithSite> agent;
  if (!factory_ || FAILED(factory_->CreateInstance(nullptr, IID_PPV_ARGS(&agent))) ||
      FAILED(agent->SetSite(TopBrowser(tab)))) {
    return nullptr;
  }
  return agent;
}

HRESULT AgentTestBed::CanUnloadNow() const {
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  auto canUnload = Export<CanUnload>(library_.Get(), "DllCanUnloadNow");
  return canUnload ? canUnload() : E_FAIL;
}

HWND AgentTestBed::AgentWindow() { return ::FindWindowExW(HWND_MESSAGE, nullptr, L"_DUDUMessageWindow", nullptr); }

std::vector<HWND> AgentTestBed::AgentWindows() {
  std::vector<HWND> windows;
  for (HWND window = nullptr; (window = ::FindWindowExW(HWND_MESSAGE, window, L"_DUDUMessageWindow", nullptr));) {
    windows.push_back(window);
  }
  return windows;
}

ComPtr<IHTMLWindow2> AgentTestBed::FrameWindow(size_t index, size_t tab) const {
  const auto& frames = tabs_[tab]->frames;
  ComPtr<IDispatch> dispatch;
  ComPtr<IHTMLDocument2> document;
  ComPtr<IHTMLWindow2> window;
  if (index < frames.size() && frames[index]->get_Document(&dispatch) == S_OK && dispatch &&
      SUCCEEDED(dispatch.As(&document))) {
    document->get_parentWindow(&window);
  }
  return window;
}

webbrowser::EventDelivery AgentTestBed::BrowserSinks(size_t tab) const {
  IUnknown* browser = TopBrowser(tab);
  return [browser](DISPID id, DISPPARAMS* params) {
    CallSinks(browser, DIID_DWebBrowserEvents2, id, params->rgvarg, params->cArgs);
  };
}

void AgentTestBed::BeforeNavigate2(IWebBrowser2* browser, const std::wstring& url, size_t tab) {
  webbrowser::DeliverBeforeNavigate2(BrowserSinks(tab), browser, url, L"");
}

void AgentTestBed::DownloadBegin(size_t tab) {
  CallSinks(TopBrowser(tab), DIID_DWebBrowserEvents2, DISPID_DOWNLOADBEGIN, nullptr, 0);
}

void AgentTestBed::DocumentComplete(IWebBrowser2* browser, const std::wstring& url, size_t tab) {
  webbrowser::DeliverWithUrl(BrowserSinks(tab), DISPID_DOCUMENTCOMPLETE, browser, url);
}

void AgentTestBed::WindowLoad(IHTMLWindow2* window) {
  VARIANT args[] = {ArgDispatch(nullptr)};
  CallSinks(window, DIID_HTMLWindowEvents2, DISPID_HTMLWINDOWEVENTS2_ONLOAD, args, 1);
}

void AgentTestBed::WindowUnload(IHTMLWindow2* window) {
  VARIANT args[] = {ArgDispatch(nullptr)};
  CallSinks(window, DIID_HTMLWindowEvents2, DISPID_HTMLWINDOWEVENTS2_ONUNLOAD, args, 1);
}

}  // namespace tessary::test
