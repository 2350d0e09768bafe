#include "CReflectionWnd.h"

#include <commctrl.h>

#include "CbarletModule.h"
#include "ExceptionBarrier.h"
#include "ModulePath.h"

namespace tessary::barlet {

CReflectionWnd::~CReflectionWnd() {
  if (window_) ::DestroyWindow(window_);
}

bool CReflectionWnd::Create(HWND parent) {
  const wchar_t* windowClass = CbarletModule::Get().ReflectionWindowClass(&CReflectionWnd::WindowProc);
  if (!windowClass) return false;
  RECT area = {};
  ::GetClientRect(parent, &area);
  ::CreateWindowExW(0, windowClass, nullptr, WS_CHILD, area.left, area.top, area.right - area.left,
                    area.bottom - area.top, parent, nullptr, CurrentModule(), this);
  return window_ != nullptr;
}

void CReflectionWnd::Destroy() {
  if (window_) ::DestroyWindow(window_);
  // Moved elsewhere by the browser, the toolbar window did not go with it.
  if (toolbar_.Window()) ::DestroyWindow(toolbar_.Window());
}

LRESULT CALLBACK CReflectionWnd::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return MessageBarrier(
      [&]() -> LRESULT {
        auto* reflection = Bound<CReflectionWnd>(window, message, lParam);
        LRESULT result = 0;
        if (reflection && reflection->ProcessWindowMessage(window, message, wParam, lParam, &result)) return result;
        result = ::DefWindowProcW(window, message, wParam, lParam);
        if (reflection && message == WM_NCDESTROY) reflection->Unbind(window);
        return result;
      },
      [&] { return ::DefWindowProcW(window, message, wParam, lParam); });
}

bool CReflectionWnd::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_CREATE: {
      RECT area = {};
      ::GetClientRect(window, &area);
      toolbar_.Create(window, area);
      *result = 0;
      return true;
    }
    case WM_NOTIFY: return OnNotify(lParam, result);
  }
  return toolbar_.ProcessWindowMessage(window, message, wParam, lParam, result);
}

bool CReflectionWnd::OnNotify(LPARAM lParam, LRESULT* result) {
  const auto* header = reinterpret_cast<const NMHDR*>(lParam);
  if (!header) return false;
  if (header->code == NM_CUSTOMDRAW) {
    const auto* draw = reinterpret_cast<const NMCUSTOMDRAW*>(lParam);
    if (draw->dwDrawStage == CDDS_PREPAINT) {
      if (!toolbar_.PaintPicture(draw->hdc)) return false;
      // Some toolbar controls draw their buttons after a skipped prepaint
      // stage all the same; they ask for each button, and are told to skip it.
      *result = CDRF_SKIPDEFAULT | CDRF_NOTIFYITEMDRAW;
      return true;
    }
    if (draw->dwDrawStage != CDDS_ITEMPREPAINT) return false;
    *result = CDRF_SKIPDEFAULT;
    return true;
  }
  if (header->code == TBN_GETINFOTIPW) {
    // The extension's tooltip for the button; none by default.
    const std::wstring& tooltip = CbarletModule::Get().Look().tooltip;
    auto* tip = reinterpret_cast<NMTBGETINFOTIPW*>(lParam);
    if (tooltip.empty() || !tip->pszText || tip->cchTextMax <= 0) return false;
    ::lstrcpynW(tip->pszText, tooltip.c_str(), tip->cchTextMax);
    *result = 0;
    return true;
  }
  if (header->code == TBN_HOTITEMCHANGE && (reinterpret_cast<const NMTBHOTITEM*>(lParam)->dwFlags & HICF_LEAVING)) {
    // Keeps the hot item from changing.
    *result = 1;
    return true;
  }
  return false;
}

}  // namespace tessary::barlet
