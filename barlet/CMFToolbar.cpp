#include "CMFToolbar.h"

#include <windowsx.h>

#include <cwchar>

#include "BarletNames.h"
#include "CbarletModule.h"
#include "ExceptionBarrier.h"
#include "ModulePath.h"
#include "resource.h"

namespace tessary::barlet {
namespace {

// The host program places the popup in physical pixels. A browser aware of
// the display's scaling (Internet Explorer 11) sees its windows so already;
// one that is not sees them scaled down, and the point is scaled up to the
// monitor's pixels (per monitor from Windows 8.1, for the system before).
POINT PhysicalPoint(HWND window, POINT point) {
  using Convert = BOOL(WINAPI*)(HWND, POINT*);
  static const auto perMonitor = reinterpret_cast<Convert>(reinterpret_cast<void*>(
      ::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "LogicalToPhysicalPointForPerMonitorDPI")));
  POINT converted = point;
  const BOOL done = perMonitor ? perMonitor(window, &converted) : ::LogicalToPhysicalPoint(window, &converted);
  return done ? converted : point;
}

constexpr int kPictureStrip = 36;
constexpr int kImageSize = 32;

// The browser must never see these: they go to the debug output, where a
// support person finds them, and the toolbar carries on.
void ReportError(const wchar_t* text, HRESULT hr) {
  wchar_t line[160];
  std::swprintf(line, ARRAYSIZE(line), L"barlet: [ERROR]: %ls, code %ld\n", text, static_cast<long>(hr));
  ::OutputDebugStringW(line);
}

void AddIcon(HIMAGELIST images, UINT resource) {
  const int size = ::GetSystemMetrics(SM_CXICON);
  auto icon = static_cast<HICON>(
      ::LoadImageW(CurrentModule(), MAKEINTRESOURCEW(resource), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  if (!icon) return;
  ::ImageList_AddIcon(images, icon);
  ::DestroyIcon(icon);
}

}  // namespace

// The window goes first: it uses the image list until its end.
CMFToolbar::~CMFToolbar() {
  if (window_) ::DestroyWindow(window_);
  if (images_) ::ImageList_Destroy(images_);
}

bool CMFToolbar::Create(HWND parent, const RECT& rect) {
  const wchar_t* windowClass = CbarletModule::Get().ToolbarWindowClass(&CMFToolbar::WindowProc, &controlProc_);
  if (!windowClass) return false;
  constexpr DWORD kStyle = WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_TABSTOP | CCS_TOP | CCS_NOPARENTALIGN |
                           CCS_NODIVIDER | TBSTYLE_TOOLTIPS | TBSTYLE_FLAT | TBSTYLE_LIST | TBSTYLE_CUSTOMERASE |
                           TBSTYLE_TRANSPARENT;
  static_assert(kStyle == 0x5401B949, "the toolbar's window style");
  ::CreateWindowExW(0, windowClass, nullptr, kStyle, rect.left, rect.top, rect.right - rect.left,
                    rect.bottom - rect.top, parent, nullptr, CurrentModule(), this);
  return window_ != nullptr;
}

LRESULT CALLBACK CMFToolbar::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  return MessageBarrier(
      [&]() -> LRESULT {
        auto* toolbar = Bound<CMFToolbar>(window, message, lParam);
        if (!toolbar) {
          // Messages before WM_NCCREATE: the control's own, found through the class.
          WNDPROC control = nullptr;
          CbarletModule::Get().ToolbarWindowClass(&CMFToolbar::WindowProc, &control);
          return control ? ::CallWindowProcW(control, window, message, wParam, lParam)
                         : ::DefWindowProcW(window, message, wParam, lParam);
        }
        LRESULT result = 0;
        if (toolbar->ProcessWindowMessage(window, message, wParam, lParam, &result)) return result;
        result = ::CallWindowProcW(toolbar->controlProc_, window, message, wParam, lParam);
        if (message == WM_NCDESTROY) toolbar->Unbind(window);
        return result;
      },
      [&] { return ::DefWindowProcW(window, message, wParam, lParam); });
}

bool CMFToolbar::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
  switch (message) {
    case WM_COMMAND: *result = OnCommand(wParam); return true;
    case WM_TOOLBAR_SETSTATE:
      OnSetState(wParam, lParam);
      *result = 0;
      return true;
  }
  // Creation, size, paint, mouse and end concern the toolbar window alone,
  // not the windows that offer it their messages.
  return window == window_ && ProcessOwnMessage(message, wParam, lParam, result);
}

bool CMFToolbar::ProcessOwnMessage(UINT message, WPARAM, LPARAM lParam, LRESULT* result) {
  *result = 0;
  switch (message) {
    case WM_CREATE: SetUpButton(); return true;
    case WM_SIZE: AlignButton(); return true;
    case WM_PAINT: OnPaint(); return true;
    case WM_DESTROY: OnDestroy(); return false;
    case WM_MOUSEMOVE: OnMouseMove(lParam); return false;
    case WM_MOUSELEAVE: OnMouseLeave(); return false;
  }
  return false;
}

void CMFToolbar::SetUpButton() {
  ::SendMessageW(window_, TB_SETEXTENDEDSTYLE, 0, TBSTYLE_EX_MIXEDBUTTONS);
  ::SendMessageW(window_, TB_BUTTONSTRUCTSIZE, sizeof(TBBUTTON), 0);
  ::SendMessageW(window_, TB_SETMAXTEXTROWS, 1, 0);

  // A window made again for a new site gets a list of its own.
  if (images_) ::ImageList_Destroy(images_);
  images_ = ::ImageList_Create(kImageSize, kImageSize, ILC_COLOR16, 2, 0);
  AddIcon(images_, IDI_PADLOCK_SET);
  AddIcon(images_, IDI_PADLOCK_CLEAR);
  ::SendMessageW(window_, TB_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(images_));

  TBBUTTON button = {};
  button.iBitmap = authState_ ? 0 : 1;
  button.idCommand = kButtonCommand;
  button.fsState = TBSTATE_ENABLED;
  button.fsStyle = BTNS_AUTOSIZE;
  ::SendMessageW(window_, TB_INSERTBUTTONW, 0, reinterpret_cast<LPARAM>(&button));
  ::SendMessageW(window_, TB_AUTOSIZE, 0, 0);

  pictures_.Load();
  // The state is asked of the host program once the window is up.
  ::PostMessageW(window_, WM_TOOLBAR_SETSTATE, 1, 0);
}

void CMFToolbar::AlignButton() {
  RECT client = {};
  RECT button = {};
  ::GetClientRect(window_, &client);
  ::SendMessageW(window_, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button));
  const LONG indent = client.right - client.left - (button.right - button.left);
  ::SendMessageW(window_, TB_SETINDENT, static_cast<WPARAM>(indent), 0);
  // Some toolbar controls keep a new indent without moving the button;
  // asking for the same single text row again lays the button out.
  ::SendMessageW(window_, TB_SETMAXTEXTROWS, 1, 0);
}

LRESULT CMFToolbar::OnCommand(WPARAM wParam) {
  if (HIWORD(wParam) != 0 || LOWORD(wParam) != kButtonCommand) return -1;
  if (!host_) return 0;
  // The user clicked in this process, so it may take the foreground; the host
  // program, another process, may not, and its popup would open behind the
  // browser, unnoticed, and never lose activation to close again. This process
  // hands its right on to the host before asking for the popup. Where there is
  // nothing to hand on the popup still opens, only maybe not in front.
  ::CoAllowSetForegroundWindow(host_.Get(), nullptr);
  // The popup opens under the toolbar's bottom-right corner; whether it
  // opened is the host program's business.
  RECT rect = {};
  ::GetWindowRect(window_, &rect);
  const POINT corner = PhysicalPoint(window_, POINT{rect.right, rect.bottom});
  host_->showPopup(corner.x, corner.y);
  return 0;
}

void CMFToolbar::OnSetState(WPARAM wParam, LPARAM lParam) {
  if (!wParam) {
    authState_ = static_cast<int>(lParam);
  } else if (!RefreshFromHost()) {
    return;
  }
  Redraw();
}

// While a call to the host is out, the thread handles other messages: the
// tab may close and take this toolbar with it before the call returns.
bool CMFToolbar::RefreshFromHost() {
  const HWND window = window_;
  const auto stillHere = [this, window] {
    return ::IsWindow(window) && BoundObject<CMFToolbar>(window) == this;
  };
  Microsoft::WRL::ComPtr<IBG> host;
  HRESULT hr = ::CoCreateInstance(CLSID_CBG, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&host));
  if (FAILED(hr)) ReportError(kCannotCreateServer, hr);
  if (FAILED(hr) || !stillHere()) return false;
  host_ = host;
  int state = 0;
  hr = host->getAuthState(&state);
  if (FAILED(hr)) ReportError(kCannotCallServer, hr);
  if (!stillHere()) return false;
  if (SUCCEEDED(hr)) authState_ = state;
  return true;
}

bool CMFToolbar::PaintPicture(HDC dc) {
  RECT client = {};
  ::GetClientRect(window_, &client);
  return pictures_.Paint(dc, client.right - kPictureStrip, authState_ != 0, hover_);
}

void CMFToolbar::OnPaint() {
  PAINTSTRUCT paint;
  HDC dc = ::BeginPaint(window_, &paint);
  if (dc) PaintPicture(dc);
  ::EndPaint(window_, &paint);
}

void CMFToolbar::OnMouseMove(LPARAM lParam) {
  RECT client = {};
  ::GetClientRect(window_, &client);
  // Over the picture's strip: 0 <= right - x <= 35, taken unsigned so that
  // points beyond the right edge are not over it.
  const bool hover = static_cast<UINT>(client.right - GET_X_LPARAM(lParam)) < kPictureStrip;
  if (hover == hover_) return;
  hover_ = hover;
  Redraw();
}

void CMFToolbar::OnMouseLeave() {
  if (!hover_) return;
  hover_ = false;
  Redraw();
}

// A window made again for a new site starts afresh: the mouse is not over it.
void CMFToolbar::OnDestroy() {
  pictures_.Free();
  hover_ = false;
}

void CMFToolbar::Redraw() { ::InvalidateRect(window_, nullptr, TRUE); }

}  // namespace tessary::barlet
