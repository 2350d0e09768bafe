#include "BandFrame.h"

#include <commctrl.h>

namespace tessary::test {
namespace {

constexpr wchar_t kFrameClass[] = L"TessaryTestBandFrame";
constexpr int kHeight = 200;

void RegisterFrameClass(WNDPROC procedure) {
  WNDCLASSEXW windowClass = {sizeof(windowClass)};
  windowClass.lpfnWndProc = procedure;
  windowClass.hInstance = ::GetModuleHandleW(nullptr);
  windowClass.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
  windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
  windowClass.lpszClassName = kFrameClass;
  ::RegisterClassExW(&windowClass);  // fails harmlessly once registered
}

}  // namespace

std::unique_ptr<BandFrame> BandFrame::Create(int width) {
  INITCOMMONCONTROLSEX controls = {sizeof(controls), ICC_COOL_CLASSES | ICC_BAR_CLASSES};
  ::InitCommonControlsEx(&controls);
  RegisterFrameClass(&BandFrame::WindowProc);
  std::unique_ptr<BandFrame> frame(new BandFrame());
  frame->window_ = ::CreateWindowExW(0, kFrameClass, L"Band frame", WS_POPUP | WS_CLIPCHILDREN, 0, 0, width, kHeight,
                                     nullptr, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!frame->window_) return nullptr;
  ::SetWindowLongPtrW(frame->window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(frame.get()));
  frame->bandArea_ = ::CreateWindowExW(0, REBARCLASSNAMEW, nullptr,
                                       WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | RBS_VARHEIGHT |
                                           RBS_BANDBORDERS | CCS_NODIVIDER | CCS_TOP,
                                       0, 0, width, 0, frame->window_, nullptr, ::GetModuleHandleW(nullptr), nullptr);
  if (!frame->bandArea_) return nullptr;
  ::ShowWindow(frame->window_, SW_SHOWNOACTIVATE);
  frame->bandPlaces_ = std::make_unique<iexplore::FrameToolbars>(frame->bandArea_);
  BandFrame* self = frame.get();
  // The frame holds the bands of one tab, itself.
  const UINT64 tab = reinterpret_cast<UINT_PTR>(frame->window_);
  frame->toolbars_.Load(frame->bandArea_, tab, &frame->meter_, [self](const iexplore::BandPlacement& placement) {
    return self->bandPlaces_->Place(placement, true) ? iexplore::BandShown::kFront : iexplore::BandShown::kNotPlaced;
  });
  frame->Layout();
  return frame;
}

BandFrame::~BandFrame() {
  if (bandPlaces_) bandPlaces_->Remove(reinterpret_cast<UINT_PTR>(window_));
  toolbars_.Close();
  if (window_) {
    ::SetWindowLongPtrW(window_, GWLP_USERDATA, 0);
    ::DestroyWindow(window_);
  }
}

void BandFrame::Resize(int width) {
  ::SetWindowPos(window_, nullptr, 0, 0, width, kHeight, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void BandFrame::Layout() {
  if (bandArea_) ::SendMessageW(bandArea_, WM_SIZE, 0, 0);
}

LRESULT CALLBACK BandFrame::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  auto* frame = reinterpret_cast<BandFrame*>(::GetWindowLongPtrW(window, GWLP_USERDATA));
  if (frame && message == WM_SIZE) {
    frame->Layout();
    return 0;
  }
  return ::DefWindowProcW(window, message, wParam, lParam);
}

}  // namespace tessary::test
