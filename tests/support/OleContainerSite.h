#pragma once
// The container side of an OLE control shown in place in a window: client
// site, in-place site and frame, answered as a plain container without menus,
// borders or accelerators. The tests' browser container and the Internet
// Explorer stand-in's tabs derive their sites from it and add what they answer
// beyond that (events, services); a derived class lists these interfaces in
// its own interface map.
#include <windows.h>
#include <ole2.h>

#include <wrl/client.h>

namespace tessary::test {

class OleContainerSite : public IOleClientSite, public IOleInPlaceSite, public IOleInPlaceFrame {
 public:
  HWND Window() const { return window_; }
  void SetWindow(HWND window) { window_ = window; }

  // IOleClientSite
  IFACEMETHODIMP SaveObject() override { return S_OK; }
  IFACEMETHODIMP GetMoniker(DWORD, DWORD, IMoniker** moniker) override;
  IFACEMETHODIMP GetContainer(IOleContainer** container) override;
  IFACEMETHODIMP ShowObject() override { return S_OK; }
  IFACEMETHODIMP OnShowWindow(BOOL) override { return S_OK; }
  IFACEMETHODIMP RequestNewObjectLayout() override { return E_NOTIMPL; }

  // IOleWindow, for the in-place site and the frame
  IFACEMETHODIMP GetWindow(HWND* result) override;
  IFACEMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }

  // IOleInPlaceSite
  IFACEMETHODIMP CanInPlaceActivate() override { return S_OK; }
  IFACEMETHODIMP OnInPlaceActivate() override { return S_OK; }
  IFACEMETHODIMP OnUIActivate() override { return S_OK; }
  IFACEMETHODIMP GetWindowContext(IOleInPlaceFrame** frame, IOleInPlaceUIWindow** document, LPRECT position,
                                  LPRECT clip, LPOLEINPLACEFRAMEINFO info) override;
  IFACEMETHODIMP Scroll(SIZE) override { return E_NOTIMPL; }
  IFACEMETHODIMP OnUIDeactivate(BOOL) override { return S_OK; }
  IFACEMETHODIMP OnInPlaceDeactivate() override { return S_OK; }
  IFACEMETHODIMP DiscardUndoState() override { return S_OK; }
  IFACEMETHODIMP DeactivateAndUndo() override { return S_OK; }
  IFACEMETHODIMP OnPosRectChange(LPCRECT) override { return S_OK; }

  // IOleInPlaceUIWindow and IOleInPlaceFrame
  IFACEMETHODIMP GetBorder(LPRECT border) override;
  IFACEMETHODIMP RequestBorderSpace(LPCBORDERWIDTHS) override { return E_NOTIMPL; }
  IFACEMETHODIMP SetBorderSpace(LPCBORDERWIDTHS) override { return S_OK; }
  IFACEMETHODIMP SetActiveObject(IOleInPlaceActiveObject*, LPCOLESTR) override { return S_OK; }
  IFACEMETHODIMP InsertMenus(HMENU, LPOLEMENUGROUPWIDTHS) override { return E_NOTIMPL; }
  IFACEMETHODIMP SetMenu(HMENU, HOLEMENU, HWND) override { return E_NOTIMPL; }
  IFACEMETHODIMP RemoveMenus(HMENU) override { return E_NOTIMPL; }
  IFACEMETHODIMP SetStatusText(LPCOLESTR) override { return E_NOTIMPL; }
  IFACEMETHODIMP EnableModeless(BOOL) override { return E_NOTIMPL; }
  IFACEMETHODIMP TranslateAccelerator(LPMSG, WORD) override { return E_NOTIMPL; }

 protected:
  ~OleContainerSite() = default;

 private:
  HWND window_ = nullptr;
};

// Creates the control of that class through OleCreate on a temporary storage,
// as a container embeds it, and activates it in place in the site's window.
HRESULT EmbedControl(REFCLSID clsid, OleContainerSite* site, Microsoft::WRL::ComPtr<IOleObject>* object);
// Deactivates and closes an embedded control and drops its client site.
void CloseControl(IOleObject* object);
// Advises a sink on the connection point of the source for that interface.
HRESULT AdviseEvents(IUnknown* source, REFIID events, IUnknown* sink, DWORD* cookie);
HRESULT UnadviseEvents(IUnknown* source, REFIID events, DWORD cookie);

}  // namespace tessary::test
