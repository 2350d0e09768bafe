#include "Picture.h"

#include <objbase.h>

#include <gdiplus.h>

#include <cstdlib>
#include <cstring>

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

}  // namespace

Picture Picture::OfScreen(HWND window) {
  Picture picture;
  RECT client = {};
  ::GetClientRect(window, &client);
  POINT origin = {0, 0};
  ::ClientToScreen(window, &origin);
  BITMAPINFO info = {};
  info.bmiHeader = {sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB};
  void* bits = nullptr;
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  HBITMAP bitmap = ::CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  if (bitmap) {
    HGDIOBJ old = ::SelectObject(memory, bitmap);
    ::BitBlt(memory, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    ::GdiFlush();
    picture.width_ = client.right;
    picture.height_ = client.bottom;
    const auto* pixels = static_cast<const DWORD*>(bits);
    picture.pixels_.assign(pixels, pixels + client.right * client.bottom);
    for (DWORD& pixel : picture.pixels_) pixel |= 0xFF000000;
    ::SelectObject(memory, old);
    ::DeleteObject(bitmap);
  }
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
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
