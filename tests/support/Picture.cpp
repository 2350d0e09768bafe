#include "Picture.h"

#include <objbase.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <map>

#include <wrl/client.h>

namespace tessary::test {
namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

// GDI+ for the length of one use.
class GdiPlus {
 public:
  GdiPlus() {
    GdiplusStartupInput input;
    if (GdiplusStartup(&token_, &input, nullptr) != Ok) token_ = 0;
  }
  ~GdiPlus() {
    if (token_) GdiplusShutdown(token_);
  }
  bool IsStarted() const { return token_ != 0; }

 private:
  ULONG_PTR token_ = 0;
};

bool PngEncoder(CLSID* encoder) {
  UINT count = 0;
  UINT size = 0;
  if (GdipGetImageEncodersSize(&count, &size) != Ok || size == 0) return false;
  std::vector<BYTE> buffer(size);
  auto* codecs = reinterpret_cast<ImageCodecInfo*>(buffer.data());
  if (GdipGetImageEncoders(count, size, codecs) != Ok) return false;
  for (UINT i = 0; i < count; ++i) {
    if (codecs[i].MimeType && std::wcscmp(codecs[i].MimeType, L"image/png") == 0) {
      *encoder = codecs[i].Clsid;
      return true;
    }
  }
  return false;
}

// A 32-bit top-down bitmap of the size, selected into a memory device
// context for as long as it lives.
class Canvas {
 public:
  Canvas(int width, int height) : dc_(::CreateCompatibleDC(nullptr)) {
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB};
    if (dc_ && width > 0 && height > 0) bitmap_ = ::CreateDIBSection(dc_, &info, DIB_RGB_COLORS, &bits_, nullptr, 0);
    if (bitmap_) old_ = ::SelectObject(dc_, bitmap_);
  }
  ~Canvas() {
    if (old_) ::SelectObject(dc_, old_);
    if (bitmap_) ::DeleteObject(bitmap_);
    if (dc_) ::DeleteDC(dc_);
  }
  Canvas(const Canvas&) = delete;
  Canvas& operator=(const Canvas&) = delete;

  HDC Dc() const { return bitmap_ ? dc_ : nullptr; }
  const void* Bits() const {
    ::GdiFlush();
    return bits_;
  }

 private:
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ old_ = nullptr;
  void* bits_ = nullptr;
};

}  // namespace

Picture Picture::OfScreen(HWND window) {
  RECT client = {};
  ::GetClientRect(window, &client);
  ::MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
  return OfScreen(client);
}

Picture Picture::OfScreen(const RECT& area) {
  const int width = area.right - area.left;
  const int height = area.bottom - area.top;
  Canvas canvas(width, height);
  if (!canvas.Dc()) return {};
  HDC screen = ::GetDC(nullptr);
  const bool copied = ::BitBlt(canvas.Dc(), 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
  ::ReleaseDC(nullptr, screen);
  return copied ? FromBits(canvas.Bits(), width, height) : Picture();
}

Picture Picture::Printed(HWND window) {
  RECT client = {};
  ::GetClientRect(window, &client);
  Canvas canvas(client.right, client.bottom);
  if (!canvas.Dc() || !::PrintWindow(window, canvas.Dc(), PW_CLIENTONLY)) return {};
  return FromBits(canvas.Bits(), client.right, client.bottom);
}

Picture Picture::FromBits(const void* bits, int width, int height) {
  Picture picture;
  const auto* pixels = static_cast<const DWORD*>(bits);
  picture.width_ = width;
  picture.height_ = height;
  picture.pixels_.assign(pixels, pixels + static_cast<size_t>(width) * height);
  for (DWORD& pixel : picture.pixels_) pixel |= 0xFF000000;
  return picture;
}

Picture Picture::Filled(int width, int height, DWORD colour) {
  Picture picture;
  picture.width_ = width;
  picture.height_ = height;
  picture.pixels_.assign(static_cast<size_t>(width) * height, colour);
  return picture;
}

Picture Picture::FromPng(const std::string& bytes) {
  Picture picture;
  GdiPlus gdiplus;
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, bytes.size());
  void* copy = block ? ::GlobalLock(block) : nullptr;
  if (!gdiplus.IsStarted() || !copy) return picture;
  std::memcpy(copy, bytes.data(), bytes.size());
  ::GlobalUnlock(block);
  Microsoft::WRL::ComPtr<IStream> stream;
  GpBitmap* bitmap = nullptr;
  if (FAILED(::CreateStreamOnHGlobal(block, TRUE, &stream)) || GdipCreateBitmapFromStream(stream.Get(), &bitmap) != Ok) {
    return picture;
  }
  UINT width = 0;
  UINT height = 0;
  GdipGetImageWidth(bitmap, &width);
  GdipGetImageHeight(bitmap, &height);
  picture.width_ = static_cast<int>(width);
  picture.height_ = static_cast<int>(height);
  for (UINT y = 0; y < height; ++y) {
    for (UINT x = 0; x < width; ++x) {
      ARGB pixel = 0;
      GdipBitmapGetPixel(bitmap, static_cast<INT>(x), static_cast<INT>(y), &pixel);
      picture.pixels_.push_back(pixel);
    }
  }
  GdipDisposeImage(bitmap);
  return picture;
}

DWORD Picture::At(int x, int y) const {
  return x >= 0 && y >= 0 && x < width_ && y < height_ ? pixels_[static_cast<size_t>(y) * width_ + x] : 0;
}

size_t Picture::InkPixels() const {
  std::map<DWORD, size_t> counts;
  size_t background = 0;
  for (DWORD pixel : pixels_) background = std::max(background, ++counts[pixel]);
  return pixels_.size() - background;
}

bool Picture::SavePng(const std::wstring& path) const {
  GdiPlus gdiplus;
  CLSID encoder;
  if (!gdiplus.IsStarted() || IsEmpty() || !PngEncoder(&encoder)) return false;
  GpBitmap* bitmap = nullptr;
  if (GdipCreateBitmapFromScan0(width_, height_, width_ * 4, PixelFormat32bppARGB,
                                reinterpret_cast<BYTE*>(const_cast<DWORD*>(pixels_.data())), &bitmap) != Ok) {
    return false;
  }
  const bool saved = GdipSaveImageToFile(bitmap, path.c_str(), &encoder, nullptr) == Ok;
  GdipDisposeImage(bitmap);
  return saved;
}

bool SameColour(DWORD a, DWORD b, int tolerance) {
  for (int shift : {0, 8, 16}) {
    if (std::abs(static_cast<int>((a >> shift) & 0xFF) - static_cast<int>((b >> shift) & 0xFF)) > tolerance) {
      return false;
    }
  }
  return true;
}

}  // namespace tessary::test
