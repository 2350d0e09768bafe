#include "CBarletAddIn.h"

#include <string>

#include "BarletNames.h"
#include "CbarletModule.h"
#include "ExceptionBarrier.h"

namespace tessary::barlet {

const QITAB* CBarletAddIn::Interfaces() {
  static const QITAB interfaces[] = {
      QITABENT(CBarletAddIn, IBarletAddIn),
      QITABENT(CBarletAddIn, IInputObject),
      QITABENTMULTI(CBarletAddIn, IOleWindow, IDeskBand),
      QITABENTMULTI(CBarletAddIn, IDockingWindow, IDeskBand),
      QITABENT(CBarletAddIn, IObjectWithSite),
      QITABENT(CBarletAddIn, IDeskBand),
      QITABENTMULTI(CBarletAddIn, IDispatch, IBarletAddIn),
      {},
  };
  return interfaces;
}

IFACEMETHODIMP CBarletAddIn::GetWindow(HWND* window) {
  return ExceptionBarrier([&] {
    if (!window) return E_INVALIDARG;
    *window = reflection_.Toolbar().Window();
    return S_OK;
  });
}

IFACEMETHODIMP CBarletAddIn::ContextSensitiveHelp(BOOL enterMode) {
  return ExceptionBarrier([&] {
    contextHelp_ = enterMode != FALSE;
    return S_OK;
  });
}

IFACEMETHODIMP CBarletAddIn::ShowDW(BOOL show) {
  return ExceptionBarrier([&]() -> HRESULT {
    shown_ = show != FALSE;
    if (HWND toolbar = reflection_.Toolbar().Window()) ::ShowWindow(toolbar, shown_ ? SW_SHOW : SW_HIDE);
    return S_OK;
  });
}

// The windows stay: they go with the object.
IFACEMETHODIMP CBarletAddIn::CloseDW(DWORD) {
  return ExceptionBarrier([&] { return ShowDW(FALSE); });
}

IFACEMETHODIMP CBarletAddIn::GetBandInfo(DWORD bandId, DWORD viewMode, DESKBANDINFO* info) {
  return ExceptionBarrier([&]() -> HRESULT {
    bandId_ = bandId;
    viewMode_ = viewMode;
    if (!info) return S_OK;
    if (info->dwMask & DBIM_MINSIZE) info->ptMinSize = {32, 32};
    if (info->dwMask & DBIM_MAXSIZE) info->ptMaxSize = {0, -1};
    if (info->dwMask & DBIM_INTEGRAL) info->ptIntegral = {0, 0};
    if (info->dwMask & DBIM_ACTUAL) info->ptActual = {32, 32};
    if (info->dwMask & DBIM_TITLE) {
      const std::wstring& title = CbarletModule::Get().Look().title;
      ::lstrcpynW(info->wszTitle, title.empty() ? kBandTitle : title.c_str(), ARRAYSIZE(info->wszTitle));
    }
    // The browser's own background is used.
    info->dwMask &= ~DBIM_BKCOLOR;
    if (info->dwMask & DBIM_MODEFLAGS) info->dwModeFlags = DBIMF_VARIABLEHEIGHT;
    return S_OK;
  });
}

IFACEMETHODIMP CBarletAddIn::SetSite(IUnknown* site) {
  return ExceptionBarrier([&]() -> HRESULT {
    site_.Reset();
    if (!site) return S_OK;
    parent_ = nullptr;
    Microsoft::WRL::ComPtr<IOleWindow> siteWindow;
    if (SUCCEEDED(site->QueryInterface(IID_PPV_ARGS(&siteWindow)))) siteWindow->GetWindow(&parent_);
    if (!::IsWindow(parent_)) return E_FAIL;
    // A site that cannot take the band's focus is refused before any window is made.
    Microsoft::WRL::ComPtr<IInputObjectSite> inputSite;
    if (FAILED(site->QueryInterface(IID_PPV_ARGS(&inputSite)))) return E_FAIL;
    // A new site gets windows of its own, in its own window.
    reflection_.Destroy();
    if (!reflection_.Create(parent_) || !reflection_.Toolbar().Window()) return E_FAIL;
    site_ = inputSite;
    return S_OK;
  });
}

IFACEMETHODIMP CBarletAddIn::GetSite(REFIID riid, void** object) {
  return ExceptionBarrier([&]() -> HRESULT {
    if (!object) return E_POINTER;
    *object = nullptr;
    return site_ ? site_->QueryInterface(riid, object) : E_FAIL;
  });
}

IFACEMETHODIMP CBarletAddIn::HasFocusIO() {
  return ExceptionBarrier([&]() -> HRESULT {
    const HWND toolbar = reflection_.Toolbar().Window();
    return toolbar && ::GetFocus() == toolbar ? S_OK : S_FALSE;
  });
}

}  // namespace tessary::barlet
