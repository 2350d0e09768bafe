#pragma once
// What the screen shows in a rectangle, as a user would see it, and saved as a
// PNG file for a person to look at.
#include <windows.h>

#include <string>
#include <vector>

namespace tessary::test {

struct Screenshot {
  int width = 0;
  int height = 0;
  // Top-down rows of 0x00RRGGBB pixels.
  std::vector<DWORD> pixels;

  bool IsEmpty() const { return pixels.empty(); }
  // How many pixels differ from the most frequent colour (the background).
  size_t InkPixels() const;
};

Screenshot CaptureScreen(const RECT& area);
// Writes the picture through GDI+; false when it cannot be written.
bool SavePng(const Screenshot& shot, const std::wstring& path);

}  // namespace tessary::test
