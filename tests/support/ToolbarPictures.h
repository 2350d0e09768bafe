#pragma once
// The toolbar button's four pictures as barlet.dll carries them, to tell which
// one a window shows.
#include <windows.h>

#include <array>
#include <string>
#include <vector>

#include "Picture.h"

namespace tessary::test {

class BrowserSession;

class ToolbarPictures {
 public:
  // The "PNG" resources: set, set under the mouse, clear, clear under the mouse.
  static constexpr std::array<UINT, 4> kResources = {210, 211, 220, 212};
  static constexpr int kNone = -1;

  explicit ToolbarPictures(const std::wstring& library);

  bool IsLoaded() const;
  // The index (into kResources) of the picture drawn at (x, y) of `shown`: all
  // of its opaque pixels there; kNone when no picture is.
  int Find(const Picture& shown, int x, int y) const;
  // Points where every picture is opaque and the four differ, and which
  // picture has the given colours (0xRRGGBB) at those points.
  const std::vector<POINT>& SamplePoints() const { return samples_; }
  int FindByColours(const std::vector<COLORREF>& colours) const;
  // The picture that a tab's toolbar window draws for its button, which sits
  // at the window's right edge, as the tab's process sees it drawn.
  int DrawnBy(BrowserSession& session, DWORD tab, HWND toolbar) const;
  // "PNG 210" and so on; "no picture" for kNone.
  static std::string Name(int index);

 private:
  std::array<Picture, 4> pictures_;
  std::vector<POINT> samples_;
};

}  // namespace tessary::test
