#include "Screenshot.h"

#include <gdiplus.h>

#include <algorithm>
#include <map>
#include <memory>

namespace tessary::test {
namespace {

// {557CF406-1A04-11D3-9A73-0000F81EF32E}: GDI+'s PNG encoder.
constexpr CLSID kPngEncoder = {0x557CF406, 0x1A04, 0x11D3, {0x9A, 0x73, 0x00, 0x00, 0xF8, 0x1E, 0xF3, 0x2E}};

class GdiplusSession {
 public:
  GdiplusSession() {
    Gdiplus::GdiplusStartupInput input;
    ok_ = Gdiplus::GdiplusStartup(&token_, &input, nullptr) == Gdiplus::Ok;
  }
  ~GdiplusSession() {
    if (ok_) Gdiplus::GdiplusShutdown(token_);
  }
  bool ok() const { return ok_; }

 private:
  ULONG_PTR token_ = 0;
  bool ok_ = false;
};

}  // namespace

size_t Screenshot::InkPixels() const {
  std::map<DWORD, size_t> counts;
  for (DWORD pixel : pixels) ++counts[pixel];
  size_t background = 0;
  for (const auto& [colour, count] : counts) background = std::max(background, count);
  return pixels.size() - background;
}

Screenshot CaptureScreen(const RECT& area) {
  Screenshot shot;
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  if (width <= 0 || height <= 0) return shot;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof(info.bmiHeader);
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // top-down
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap && bits) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    if (::BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY)) {
      ::GdiFlush();
      const auto* first = static_cast<const DWORD*>(bits);
      shot.pixels.assign(first, first + static_cast<size_t>(width) * height);
      for (DWORD& pixel : shot.pixels) pixel &= 0x00FFFFFF;
      shot.width = width;
      shot.height = height;
    }
    ::SelectObject(memory, old);
  }
  if (bitmap) ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return shot;
}

bool SavePng(const Screenshot& shot, const std::wstring& path) {
  GdiplusSession session;
  if (!session.ok() || shot.IsEmpty()) return false;
  Gdiplus::Bitmap bitmap(shot.width, shot.height, shot.width * 4, PixelFormat32bppRGB,
                         reinterpret_cast<BYTE*>(const_cast<DWORD*>(shot.pixels.data())));
  return bitmap.Save(path.c_str(), &kPngEncoder, nullptr) == Gdiplus::Ok;
}

}  // namespace tessary::test
