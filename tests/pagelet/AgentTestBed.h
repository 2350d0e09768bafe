#pragma once
// A page agent in a tab of the test program with the host inside the test
// program too (InProcessHost): the agent's DLL in an extension folder of its
// own with small content scripts, the WebBrowser stand-in showing a page with
// two frames, and the events of the browser and of the page's windows called
// on the agent's sinks as the browser calls them, in whatever order a test or
// the fuzzer chooses.
//
// The content script connects in main, sends "started", and answers every
// message from the host with "answer"; a host message "fail" makes the main
// that is running throw. Frames get main(document), which sends "frame".
//
// A bed may hold several tabs, all in this thread, as Internet Explorer puts
// several tabs into one process: each its own browser in a "TabWindowClass"
// window, which its shell browser answers for the tab, and its own agents of
// the one DLL, all linked to the one host. What names no tab concerns tab 0.
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>
#include <ocidl.h>

#include <memory>
#include <string>
#include <vector>

#include <wrl/client.h>

#include "BrowserEventArgs.h"
#include "BrowserHost.h"
#include "InProcessHost.h"
#include "UniqueHandle.h"

namespace tessary::test {

class AgentTestBed {
 public:
  explicit AgentTestBed(size_t tabs = 1);
  ~AgentTestBed();
  // Empty when the bed is ready, else what failed.
  const std::string& SetupError() const { return error_; }

  InProcessHost& Host() { return host_; }
  size_t TabCount() const { return tabs_.size(); }
  BrowserHost& Tab(size_t tab = 0) { return *tabs_[tab]->browser; }
  const std::wstring& Folder() const { return folder_; }
  std::wstring PagePath() const { return pages_ + L"page.html"; }
  // Loads the page again for real (its windows and frames are new ones).
  bool Reload(size_t tab = 0);
  // What the host knows the tab by: its "TabWindowClass" window.
  int TabId(size_t tab) const;

  // A new agent from the DLL's class factory, sited on the tab; null on failure.
  Microsoft::WRL::ComPtr<IObjectWithSite> NewAgent(size_t tab = 0);
  // DllCanUnloadNow of the agent's DLL.
  HRESULT CanUnloadNow() const;
  // The agents' message-only windows, where their work is posted: the first,
  // and all.
  static HWND AgentWindow();
  static std::vector<HWND> AgentWindows();

  IWebBrowser2* TopBrowser(size_t tab = 0) const { return tabs_[tab]->browser->Browser(); }
  const std::vector<Microsoft::WRL::ComPtr<IWebBrowser2>>& Frames(size_t tab = 0) const { return tabs_[tab]->frames; }
  Microsoft::WRL::ComPtr<IHTMLWindow2> TopWindow(size_t tab = 0) const { return tabs_[tab]->browser->PageWindow(); }
  Microsoft::WRL::ComPtr<IHTMLWindow2> FrameWindow(size_t index, size_t tab = 0) const;

  // The browser's events, called on every sink advised now on the tab's browser.
  void BeforeNavigate2(IWebBrowser2* browser, const std::wstring& url, size_t tab = 0);
  void DownloadBegin(size_t tab = 0);
  void DocumentComplete(IWebBrowser2* browser, const std::wstring& url, size_t tab = 0);
  // A window's load and unload events.
  static void WindowLoad(IHTMLWindow2* window);
  static void WindowUnload(IHTMLWindow2* window);

 private:
  struct TabBed {
    HWND window = nullptr;
    std::unique_ptr<BrowserHost> browser;
    std::vector<Microsoft::WRL::ComPtr<IWebBrowser2>> frames;
  };

  // Delivers an event to the sinks advised on the tab's top browser, as it fires them.
  webbrowser::EventDelivery BrowserSinks(size_t tab) const;
  void CaptureFrames(TabBed& tab);

  std::string error_;
  std::wstring folder_;
  std::wstring pages_;
  UniqueLibrary library_;
  Microsoft::WRL::ComPtr<IClassFactory> factory_;
  InProcessHost host_;
  std::vector<std::unique_ptr<TabBed>> tabs_;
};

}  // namespace tessary::test
