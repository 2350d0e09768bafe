#pragma once
// Pixels for tests that look at what was drawn: taken from the screen, or
// decoded from PNG bytes, and written as PNG files (GDI+ both ways).
#include <windows.h>

#include <string>
#include <vector>

namespace tessary::test {

class Picture {
 public:
  // What the screen shows of a window's client area.
  static Picture OfScreen(HWND window);
  // An empty picture when the bytes are not an image.
  static Picture FromPng(const std::string& bytes);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool IsEmpty() const { return pixels_.empty(); }
  // 0xAARRGGBB; 0 outside the picture.
  DWORD At(int x, int y) const;
  bool SavePng(const std::wstring& path) const;

 private:
  int width_ = 0;
  int height_ = 0;
  std::vector<DWORD> pixels_;
};

// Whether two colours differ by at most `tolerance` in each of red, green and blue.
bool SameColour(DWORD a, DWORD b, int tolerance = 2);

}  // namespace tessary::test
