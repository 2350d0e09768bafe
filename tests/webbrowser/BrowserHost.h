#pragma once
// A container for the WebBrowser control, written for the tests: a window of
// its own and a site that embeds the control through OleCreate and in-place
// activation as the host program does, records the browser's events, and can
// cancel navigations.
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>

#include <functional>
#include <string>
#include <vector>

#include <wrl/client.h>

#include "DispatchByName.h"
#include "TestEnvironment.h"

namespace tessary::test {

struct BrowserEvent {
  DISPID id = 0;
  std::wstring url;
  // The browser the event names (pDisp), and whether it is the top-level one.
  Microsoft::WRL::ComPtr<IDispatch> browser;
  bool topLevel = false;
  // How the arguments arrived: URL and Cancel types, argument count.
  VARTYPE urlType = VT_EMPTY;
  VARTYPE urlValueType = VT_EMPTY;
  VARTYPE cancelType = VT_EMPTY;
  UINT argumentCount = 0;
};

class BrowserHost {
 public:
  // A hidden top-level window of its own; or, given a parent, a child window
  // that fills the parent's client area.
  explicit BrowserHost(HWND parent = nullptr);
  ~BrowserHost();
  BrowserHost(const BrowserHost&) = delete;
  BrowserHost& operator=(const BrowserHost&) = delete;

  bool IsValid() const { return browser_ != nullptr; }
  IWebBrowser2* Browser() const { return browser_.Get(); }
  IOleObject* Object() const { return object_.Get(); }
  HWND Window() const { return window_; }

  // Navigates and pumps messages until the top-level document completes.
  bool Load(const std::wstring& address, DWORD timeoutMs = 10000);
  // Pumps this thread's messages until the condition holds; false on timeout.
  static bool PumpUntil(const std::function<bool()>& condition, DWORD timeoutMs = 10000);
  // True once a DocumentComplete of the top-level browser was seen since the
  // events were last cleared.
  bool TopDocumentCompleted() const;

  const std::vector<BrowserEvent>& Events() const;
  void ClearEvents();
  // Cancels, in BeforeNavigate2, navigations whose URL contains the text.
  void CancelNavigationsTo(const std::wstring& text);
  // Hands this browser to NewWindow3, as a frame window gives a new tab.
  void AnswerNewWindowsWith(IDispatch* browser);

  Microsoft::WRL::ComPtr<IHTMLDocument2> Document() const;
  Microsoft::WRL::ComPtr<IHTMLWindow2> PageWindow() const;

 private:
  class Site;
  HWND window_ = nullptr;
  Microsoft::WRL::ComPtr<Site> site_;
  Microsoft::WRL::ComPtr<IOleObject> object_;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
};

// An attribute of the page's body, where the tests' pages report; empty when
// there is no page or no such attribute.
std::wstring BodyAttribute(const BrowserHost& tab, const wchar_t* name);
// An element of the document, found as a page's script finds it; null when
// there is none.
Microsoft::WRL::ComPtr<IHTMLElement> ElementById(IHTMLDocument2* document, const wchar_t* id);

}  // namespace tessary::test
