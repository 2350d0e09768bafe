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
  AgentTestBed();
  // Empty when the bed is ready, else what failed.
  const std::string& SetupError() const { return error_; }

  InProcessHost& Host() { return host_; }
  BrowserHost& Tab() { return tab_; }
  const std::wstring& Folder() const { return folder_; }
  std::wstring PagePath() const { return pages_ + L"page.html"; }
  // Loads the page again for real (its windows and frames are new ones).
  bool Reload();

  // A new agent from the DLL's class factory, sited on the tab; null on failure.
  Microsoft::WRL::ComPtr<IObjectWithSite> NewAgent();
  // DllCanUnloadNow of the agent's DLL.
  HRESULT CanUnloadNow() const;
  // The agent's message-only window, where its work is posted.
  static HWND AgentWindow();

  IWebBrowser2* TopBrowser() const { return tab_.Browser(); }
  const std::vector<Microsoft::WRL::ComPtr<IWebBrowser2>>& Frames() const { return frames_; }
  Microsoft::WRL::ComPtr<IHTMLWindow2> TopWindow() const { return tab_.PageWindow(); }
  Microsoft::WRL::ComPtr<IHTMLWindow2> FrameWindow(size_t index) const;

  // The browser's events, called on every sink advised now.
  void BeforeNavigate2(IWebBrowser2* browser, const std::wstring& url);
  void DownloadBegin();
  void DocumentComplete(IWebBrowser2* browser, const std::wstring& url);
  // A window's load and unload events.
  static void WindowLoad(IHTMLWindow2* window);
  static void WindowUnload(IHTMLWindow2* window);

 private:
  // Delivers an event to the sinks advised on the top browser, as it fires them.
  webbrowser::EventDelivery BrowserSinks() const;
  void CaptureFrames();

  std::string error_;
  std::wstring folder_;
  std::wstring pages_;
  UniqueLibrary library_;
  Microsoft::WRL::ComPtr<IClassFactory> factory_;
  InProcessHost host_;
  BrowserHost tab_;
  std::vector<Microsoft::WRL::ComPtr<IWebBrowser2>> frames_;
};

}  // namespace tessary::test
