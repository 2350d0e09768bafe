#pragma once
// The script engine's site in one script context, and the state behind the
// content scripts' `extension` object: the host link, the page window, the tab
// channel, the message handler and the dialog facility.
#include <windows.h>
#include <activscp.h>
#include <exdisp.h>
#include <mshtml.h>

#include <memory>
#include <string>
#include <vector>

#include <wrl/client.h>

#include "Bstr.h"
#include "Tessary.h"

namespace tessary::pagelet {

class CExtension;
class CBHOHelper;
class CScriptContext;
class TabChannel;

class CSimpleScriptSite final : public IActiveScriptSite, public IActiveScriptSiteWindow {
 public:
  explicit CSimpleScriptSite(CScriptContext& context);
  ~CSimpleScriptSite();
  CSimpleScriptSite(const CSimpleScriptSite&) = delete;
  CSimpleScriptSite& operator=(const CSimpleScriptSite&) = delete;

  // Keeps the host link, the tab's identifier and the page's address, and
  // builds the two script-visible objects; false when they cannot be built.
  bool Build(IHTMLWindow2* window, BSTR url, IBGC* hostLink, int tabId);
  // Tells the host that the page's channel is gone and releases everything.
  void Shutdown();

  // Writes a line into the host program's log, when there is a host.
  void HostLog(const std::wstring& text);
  // Names the scripts parsed under each source context, for error reports.
  void NameScript(DWORD context, const std::wstring& name);

  // The `extension` object's operations.
  void Send(BSTR message);
  void SetOnMessage(IDispatch* handler);
  void Connect();
  void PrepareDialog(BSTR name, BSTR content, IDispatch* handler);
  void SetTimeout(IDispatch* function, int milliseconds);
  void SetHandler(IDispatch* element, BSTR eventName, IDispatch* handler);
  bool IsActiveTab();

  // A message from the background page, through the tab channel.
  void OnHostMessage(BSTR message);
  // DocumentComplete of an about:blank frame while this context exists.
  void CompleteDialog(IWebBrowser2* frame);

  // IUnknown: the context holds the first reference, never given back, so the
  // engine's references never bring the count to zero.
  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  IFACEMETHODIMP_(ULONG) AddRef() override;
  IFACEMETHODIMP_(ULONG) Release() override;

  // IActiveScriptSite
  IFACEMETHODIMP GetLCID(LCID* lcid) override;
  IFACEMETHODIMP GetItemInfo(LPCOLESTR name, DWORD mask, IUnknown** item, ITypeInfo** info) override;
  IFACEMETHODIMP GetDocVersionString(BSTR* version) override;
  IFACEMETHODIMP OnScriptTerminate(const VARIANT* result, const EXCEPINFO* exception) override;
  IFACEMETHODIMP OnStateChange(SCRIPTSTATE state) override;
  IFACEMETHODIMP OnScriptError(IActiveScriptError* error) override;
  IFACEMETHODIMP OnEnterScript() override;
  IFACEMETHODIMP OnLeaveScript() override;

  // IActiveScriptSiteWindow: content scripts get no window of their own for
  // dialogs; the page's browser window is the closest owner.
  IFACEMETHODIMP GetWindow(HWND* window) override;
  IFACEMETHODIMP EnableModeless(BOOL enable) override;

 private:
  enum class DialogState { kIdle = 0, kPrepared = 1, kWriting = 2 };

  HWND BrowserWindow();
  bool WriteDialog(IHTMLDocument2* document);

  // Not counted: the context owns the site.
  CScriptContext& context_;
  Microsoft::WRL::ComPtr<IBGC> hostLink_;
  // What the host knows the tab by, in every call for this page.
  int tabId_ = 0;
  Microsoft::WRL::ComPtr<IHTMLWindow2> window_;
  volatile LONG refs_ = 1;
  Microsoft::WRL::ComPtr<IDispatch> extensionDispatch_;
  std::unique_ptr<CExtension> extension_;
  std::unique_ptr<CBHOHelper> helper_;
  Microsoft::WRL::ComPtr<TabChannel> tabChannel_;
  Microsoft::WRL::ComPtr<IDispatch> messageHandler_;
  Bstr dialogName_;
  Bstr dialogContent_;
  DialogState dialogState_ = DialogState::kIdle;
  Microsoft::WRL::ComPtr<IDispatch> dialogHandler_;
  Bstr url_;
  std::vector<std::wstring> scriptNames_;
};

}  // namespace tessary::pagelet
