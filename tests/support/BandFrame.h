#pragma once
// A frame of the test's own, all in this process: a top-level window with a
// band area (a rebar) that holds the toolbar bands registered under Internet
// Explorer's Toolbar key, loaded and placed by the same code as in a tab of the
// Internet Explorer stand-in. Unlike there, what the bands draw reaches the
// screen here: Wine shows only what the process owning a top-level window draws.
#include <windows.h>

#include <memory>
#include <utility>
#include <vector>

#include "AddonMeter.h"
#include "FrameToolbars.h"
#include "TabToolbars.h"

namespace tessary::test {

class BandFrame {
 public:
  // The frame, shown, with its bands loaded; null when a window could not be
  // made (no display).
  static std::unique_ptr<BandFrame> Create(int width = 640);
  // Closes the bands as a closing tab does, then the windows.
  ~BandFrame();
  BandFrame(const BandFrame&) = delete;
  BandFrame& operator=(const BandFrame&) = delete;

  HWND Window() const { return window_; }
  HWND BandArea() const { return bandArea_; }
  // The class and the window of every band that loaded.
  std::vector<std::pair<CLSID, HWND>> Toolbars() const { return toolbars_.Windows(); }
  // Resizes the frame and its band area.
  void Resize(int width);

 private:
  BandFrame() = default;
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
  void Layout();

  HWND window_ = nullptr;
  HWND bandArea_ = nullptr;
  std::unique_ptr<iexplore::FrameToolbars> bandPlaces_;
  iexplore::TabToolbars toolbars_;
  iexplore::AddonMeter meter_;
};

}  // namespace tessary::test
