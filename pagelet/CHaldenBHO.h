#pragma once
// The page agent of one tab: follows the browser's navigation and the load and
// unload of the page's windows, links to the host program, and runs the content
// scripts of the top document and its frames in a script context of its own.
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>
#include <ocidl.h>

#include <array>
#include <memory>

#include <wrl/client.h>

#include "AgentState.h"
#include "Bstr.h"
#include "CWindowWrap.h"
#include "ComObject.h"
#include "CpageletModule.h"
#include "EmbeddedEventSink.h"
#include "HostLink.h"
#include "Tessary.h"
#include "TypeLibDispatch.h"
#include "pagelet.h"

namespace tessary::pagelet {

class CScriptContext;

class CHaldenBHO : public ComObjectRoot, public TypeLibDispatch<IHaldenBHO>, public IObjectWithSite {
 public:
  static const QITAB* Interfaces();

  CHaldenBHO();
  ~CHaldenBHO();
  // Fails (E_OUTOFMEMORY) when the extension directory is unknown.
  HRESULT FinalConstruct();

  // IObjectWithSite
  IFACEMETHODIMP SetSite(IUnknown* site) override;
  IFACEMETHODIMP GetSite(REFIID riid, void** ppv) override;

  // Starts the content scripts for a top window (null: the one already known).
  void InjectScripts(IHTMLWindow2* window);
  // From the top window's watcher.
  void PostInjectionAttempt();
  void OnTopWindowUnload();

  // A reference for a handler that calls out (to the host, into scripts): the
  // browser may let go of the agent meanwhile. Null once the agent is being
  // destroyed, when no handler may run any more.
  Microsoft::WRL::ComPtr<IObjectWithSite> Hold();

 private:
  // The browser's DWebBrowserEvents2, received on an identity of their own.
  class BrowserEvents final : public EmbeddedEventSink<&DIID_DWebBrowserEvents2> {
   public:
    explicit BrowserEvents(CHaldenBHO& owner) : owner_(owner) {}
    IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, UINT* argError) override;

   private:
    CHaldenBHO& owner_;
  };

  static constexpr size_t kFrameWatchers = 20;

  static LRESULT CALLBACK MessageWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  LRESULT OnWindowMessage(UINT message);
  HRESULT CreateMessageWindow();
  void AdviseBrowser(bool advise);
  LRESULT AttemptInjection(bool fromTimer);
  void OnBeforeNavigate2(const DISPPARAMS* params);
  void OnDownloadBegin();
  void OnDocumentComplete(const DISPPARAMS* params);
  void OnFrameComplete(IWebBrowser2* frame);
  void RunMainInContext(IHTMLDocument2* document);
  void DestroyContext();
  void DetachFrameWatchers();
  // Reports a failure that an entry point caught, through the host's log.
  void ReportFailure(const wchar_t* where, HRESULT hr);

  // What the agent is doing, and so which events it takes (AgentState.h).
  AgentState state_;
  Microsoft::WRL::ComPtr<IUnknown> site_;
  // What the host knows this tab by (TabIdentity.h), from the site on.
  int tabId_ = 0;
  // Set while the browser's events reach browserEvents_.
  DWORD browserCookie_ = 0;
  Microsoft::WRL::ComPtr<IHTMLWindow2> topWindow_;
  Bstr pageUrl_;
  CWindowWrap topWatcher_;
  std::unique_ptr<std::array<CWindowWrap, kFrameWatchers>> frameWatchers_;
  // Given back after the window is destroyed, as the members go.
  CpageletModule::MessageWindowClassUse windowClass_;
  HWND messageWindow_ = nullptr;
  HostLink hostLink_;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
  std::unique_ptr<CScriptContext> context_;
  size_t frameCount_ = 0;
  BrowserEvents browserEvents_{*this};
  // The window whose content scripts failed to start: trying again would only
  // fail again, and tell the host each time.
  Microsoft::WRL::ComPtr<IUnknown> failedWindow_;
};

}  // namespace tessary::pagelet
