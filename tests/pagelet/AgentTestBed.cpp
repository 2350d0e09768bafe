#include "AgentTestBed.h"

#include <exdispid.h>
#include <mshtmdid.h>

#include "BrowserEventArgs.h"
#include "ComPtrAdopt.h"
#include "HostRegistration.h"
#include "ModuleExport.h"
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

}  // namespace

AgentTestBed::AgentTestBed() : folder_(MakeTempFolder(L"agentbed")), pages_(MakeTempFolder(L"agentpages")) {
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
  } else if (!tab_.IsValid() || !Reload()) {
    error_ = "the page did not load";
  }
}

bool AgentTestBed::Reload() {
  tab_.ClearEvents();
  if (!tab_.Load(PagePath())) return false;
  CaptureFrames();
  return frames_.size() == 2;
}

void AgentTestBed::CaptureFrames() {
  frames_.clear();
  for (const BrowserEvent& event : tab_.Events()) {
    ComPtr<IWebBrowser2> frame;
    if (event.id == DISPID_DOCUMENTCOMPLETE && !event.topLevel && event.browser &&
        SUCCEEDED(event.browser.As(&frame))) {
      frames_.push_back(frame);
    }
  }
  tab_.ClearEvents();
}

ComPtr<IObjectWithSite> AgentTestBed::NewAgent() {
  ComPtr<IObjectWithSite> agent;
  if (!factory_ || FAILED(factory_->CreateInstance(nullptr, IID_PPV_ARGS(&agent))) ||
      FAILED(agent->SetSite(tab_.Browser()))) {
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

ComPtr<IHTMLWindow2> AgentTestBed::FrameWindow(size_t index) const {
  ComPtr<IDispatch> dispatch;
  ComPtr<IHTMLDocument2> document;
  ComPtr<IHTMLWindow2> window;
  if (index < frames_.size() && frames_[index]->get_Document(&dispatch) == S_OK && dispatch &&
      SUCCEEDED(dispatch.As(&document))) {
    document->get_parentWindow(&window);
  }
  return window;
}

webbrowser::EventDelivery AgentTestBed::BrowserSinks() const {
  IUnknown* browser = tab_.Browser();
  return [browser](DISPID id, DISPPARAMS* params) {
    CallSinks(browser, DIID_DWebBrowserEvents2, id, params->rgvarg, params->cArgs);
  };
}

void AgentTestBed::BeforeNavigate2(IWebBrowser2* browser, const std::wstring& url) {
  webbrowser::DeliverBeforeNavigate2(BrowserSinks(), browser, url, L"");
}

void AgentTestBed::DownloadBegin() { CallSinks(tab_.Browser(), DIID_DWebBrowserEvents2, DISPID_DOWNLOADBEGIN, nullptr, 0); }

void AgentTestBed::DocumentComplete(IWebBrowser2* browser, const std::wstring& url) {
  webbrowser::DeliverWithUrl(BrowserSinks(), DISPID_DOCUMENTCOMPLETE, browser, url);
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
