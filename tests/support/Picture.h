#pragma once
// Pixels for tests and fixtures that look at what was drawn: taken from the
// screen, from a window printing itself, or decoded from PNG bytes, and written
// as PNG files for a person to look at (GDI+ both ways).
#include <windows.h>

#include <string>
#include <vector>

namespace tessary::test {

class Picture {
 public:
  // What the screen shows of a window's client area, or of a rectangle.
  static Picture OfScreen(HWND window);
  static Picture OfScreen(const RECT& area);
  // What a window of this process draws of its client area when asked to
  // print itself. Under Wine the screen does not show what a process draws
  // into another process's window; this still sees it.
  static Picture Printed(HWND window);
  // An empty picture when the bytes are not an image.
  static Picture FromPng(const std::string& bytes);
  // One colour (0xAARRGGBB) all over.
  static Picture Filled(int width, int height, DWORD colour);

  int Width() const { return width_; }
  int Height() const { return height_; }
  bool IsEmpty() const { return pixels_.empty(); }
  // 0xAARRGGBB; 0 outside the picture.
  DWORD At(int x, int y) const;
  // How many pixels differ from the most frequent colour (the background).
  size_t InkPixels() const;
  bool SavePng(const std::wstring& path) const;

 private:
  // Copies the bitmap of a 32-bit top-down DIB section, made opaque.
  static Picture FromBits(const void* bits, int width, int height);

  int width_ = 0;
  int height_ = 0;
  std::vector<DWORD> pixels_;
};

// Whether two colours differ by at most `tolerance` in each of red, green and blue.
bool SameColour(DWORD a, DWORD b, int tolerance = 2);

}  // namespace tessary::test
