#pragma once
// The toolbar band that Internet Explorer loads into each tab: its band
// interfaces, and its two windows (the hidden reflection window holding the
// toolbar window that the browser places in its band area).
#include <windows.h>
#include <shobjidl.h>

#include <wrl/client.h>

#include "CReflectionWnd.h"
#include "ComObject.h"
#include "TypeLibDispatch.h"
#include "barlet.h"

namespace tessary::barlet {

class CBarletAddIn : public ComObjectRoot,
                     public TypeLibDispatch<IBarletAddIn>,
                     public IInputObject,
                     public IDeskBand,
                     public IObjectWithSite {
 public:
  static const QITAB* Interfaces();
  // One IUnknown for the several bases; ComObject implements it.
  IFACEMETHODIMP QueryInterface(REFIID riid, void** object) override = 0;
  IFACEMETHODIMP_(ULONG) AddRef() override = 0;
  IFACEMETHODIMP_(ULONG) Release() override = 0;

  // IOleWindow
  IFACEMETHODIMP GetWindow(HWND* window) override;
  IFACEMETHODIMP ContextSensitiveHelp(BOOL enterMode) override;
  // IDockingWindow
  IFACEMETHODIMP ShowDW(BOOL show) override;
  IFACEMETHODIMP CloseDW(DWORD reserved) override;
  IFACEMETHODIMP ResizeBorderDW(LPCRECT, IUnknown*, BOOL) override { return E_NOTIMPL; }
  // IDeskBand
  IFACEMETHODIMP GetBandInfo(DWORD bandId, DWORD viewMode, DESKBANDINFO* info) override;
  // IObjectWithSite
  IFACEMETHODIMP SetSite(IUnknown* site) override;
  IFACEMETHODIMP GetSite(REFIID riid, void** object) override;
  // IInputObject
  IFACEMETHODIMP UIActivateIO(BOOL, MSG*) override { return S_OK; }
  IFACEMETHODIMP HasFocusIO() override;
  IFACEMETHODIMP TranslateAcceleratorIO(MSG*) override { return S_OK; }

 private:
  DWORD bandId_ = 0;
  DWORD viewMode_ = 0;
  bool shown_ = false;
  bool contextHelp_ = false;
  HWND parent_ = nullptr;
  CReflectionWnd reflection_;
  Microsoft::WRL::ComPtr<IInputObjectSite> site_;
};

}  // namespace tessary::barlet
