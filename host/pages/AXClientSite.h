#pragma once
// The site of one page host window: it embeds the WebBrowser control through
// OLE, activates it in place, answers the control's container calls and receives
// the browser's events, which it hands to its page kind.
#include <windows.h>
#include <exdisp.h>
#include <mshtml.h>
#include <docobj.h>
#include <ole2.h>

#include <wrl/client.h>

#include "PageEventHandler.h"

namespace tessary::host {

class AXClientSite final : public IOleClientSite,
                           public IDispatch,
                           public IAdviseSink,
                           public IOleInPlaceSite,
                           public IOleInPlaceFrame,
                           public IOleCommandTarget {
 public:
  AXClientSite(HWND window, bool isBackground, PageEventHandler& events);
  ~AXClientSite();
  AXClientSite(const AXClientSite&) = delete;
  AXClientSite& operator=(const AXClientSite&) = delete;

  // Creates the control in the window; false when OLE gives no object.
  bool Embed();
  // Deactivates and releases the control (logged); the site may then be deleted.
  void CleanUp();
  // WM_AX_INPLACE: true when the state changed.
  bool SetInPlace(bool activate, bool hideInPlaceInterfaces);
  // WM_AX_QUERY_INTERFACE: the control's own QueryInterface.
  HRESULT QueryControl(REFIID riid, void** ppv);
  // WM_SIZE: re-activates and places the control over the whole client area.
  void Resize();

  // The page's global function main, found in two steps so that the caller can
  // act between the lookup and the call.
  struct EntryPoint {
    Microsoft::WRL::ComPtr<IDispatch> script;
    DISPID id = DISPID_UNKNOWN;
    bool found = false;
  };
  // Keeps the page's document and window. E_FAIL when the document has no script.
  HRESULT FindEntryPoint(EntryPoint* entry);
  // Calls main with a new script object of the page's kind; `called` says whether
  // it was called, the result is the call's.
  HRESULT CallEntryPoint(const EntryPoint& entry, bool* called);

  HWND Window() const { return window_; }
  bool IsBackground() const { return isBackground_; }
  // Whether an event's browser is the page's own rather than one of its frames'.
  bool IsTopLevel(IDispatch* browser) const;
  IHTMLDocument2* Document() const { return document_.Get(); }
  IHTMLWindow2* PageWindow() const { return pageWindow_.Get(); }
  // The background page's script handlers, kept with its site; null for a slot
  // that does not exist.
  Microsoft::WRL::ComPtr<IDispatch>* Handler(WPARAM slot);

  // IUnknown. The count is only a count: the window deletes the site.
  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override;
  IFACEMETHODIMP_(ULONG) AddRef() override;
  IFACEMETHODIMP_(ULONG) Release() override;

  // IOleClientSite
  IFACEMETHODIMP SaveObject() override;
  IFACEMETHODIMP GetMoniker(DWORD assign, DWORD which, IMoniker** moniker) override;
  IFACEMETHODIMP GetContainer(IOleContainer** container) override;
  IFACEMETHODIMP ShowObject() override;
  IFACEMETHODIMP OnShowWindow(BOOL show) override;
  IFACEMETHODIMP RequestNewObjectLayout() override;

  // IDispatch: the browser's DWebBrowserEvents2.
  IFACEMETHODIMP GetTypeInfoCount(UINT* count) override;
  IFACEMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override;
  IFACEMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override;
  IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override;

  // IAdviseSink
  IFACEMETHODIMP_(void) OnDataChange(FORMATETC* format, STGMEDIUM* medium) override;
  IFACEMETHODIMP_(void) OnViewChange(DWORD aspect, LONG index) override;
  IFACEMETHODIMP_(void) OnRename(IMoniker* moniker) override;
  IFACEMETHODIMP_(void) OnSave() override;
  IFACEMETHODIMP_(void) OnClose() override;

  // IOleWindow (of both the in-place site and the frame)
  IFACEMETHODIMP GetWindow(HWND* window) override;
  IFACEMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;

  // IOleInPlaceSite
  IFACEMETHODIMP CanInPlaceActivate() override;
  IFACEMETHODIMP OnInPlaceActivate() override;
  IFACEMETHODIMP OnUIActivate() override;
  IFACEMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, RECT* position,
                                  RECT* clip, OLEINPLACEFRAMEINFO* info) override;
  IFACEMETHODIMP Scroll(SIZE extent) override;
  IFACEMETHODIMP OnUIDeactivate(BOOL undoable) override;
  IFACEMETHODIMP OnInPlaceDeactivate() override;
  IFACEMETHODIMP DiscardUndoState() override;
  IFACEMETHODIMP DeactivateAndUndo() override;
  IFACEMETHODIMP OnPosRectChange(LPCRECT position) override;

  // IOleInPlaceUIWindow / IOleInPlaceFrame
  IFACEMETHODIMP GetBorder(RECT* border) override;
  IFACEMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS widths) override;
  IFACEMETHODIMP SetBorderSpace(LPCBORDERWIDTHS widths) override;
  IFACEMETHODIMP SetActiveObject(IOleInPlaceActiveObject* object, LPCOLESTR name) override;
  IFACEMETHODIMP InsertMenus(HMENU menu, OLEMENUGROUPWIDTHS* widths) override;
  IFACEMETHODIMP SetMenu(HMENU menu, HOLEMENU olemenu, HWND activeObject) override;
  IFACEMETHODIMP RemoveMenus(HMENU menu) override;
  IFACEMETHODIMP SetStatusText(LPCOLESTR text) override;
  IFACEMETHODIMP EnableModeless(BOOL enable) override;
  IFACEMETHODIMP TranslateAccelerator(MSG* message, WORD id) override;

  // IOleCommandTarget: the browser's script errors, logged instead of shown.
  IFACEMETHODIMP QueryStatus(const GUID* group, ULONG count, OLECMD* commands, OLECMDTEXT* text) override;
  IFACEMETHODIMP Exec(const GUID* group, DWORD id, DWORD options, VARIANT* in, VARIANT* out) override;

 private:
  void Deactivate();

  LONG refs_ = 0;
  const HWND window_;
  const HWND parent_;
  bool inPlaceActive_ = false;
  bool hideInPlaceInterfaces_ = false;
  const bool isBackground_;
  PageEventHandler& events_;
  Microsoft::WRL::ComPtr<IWebBrowser2> browser_;
  Microsoft::WRL::ComPtr<IHTMLWindow2> pageWindow_;
  Microsoft::WRL::ComPtr<IHTMLDocument2> document_;
  Microsoft::WRL::ComPtr<IOleObject> object_;
  Microsoft::WRL::ComPtr<IStorage> storage_;
  Microsoft::WRL::ComPtr<IViewObject> viewObject_;
  Microsoft::WRL::ComPtr<IDataObject> dataObject_;
  Microsoft::WRL::ComPtr<IOleInPlaceActiveObject> activeObject_;
  DWORD adviseCookie_ = 0;
  DWORD eventCookie_ = 0;
  Microsoft::WRL::ComPtr<IDispatch> connectHandler_;
  Microsoft::WRL::ComPtr<IDispatch> disconnectHandler_;
  Microsoft::WRL::ComPtr<IDispatch> messageHandler_;
};

}  // namespace tessary::host
