#include "ButtonPictures.h"

#include <objbase.h>

#include <gdiplus.h>

#include <algorithm>
#include <cstring>
#include <string>

#include <wrl/client.h>

#include "BarletNames.h"
#include "CbarletModule.h"
#include "ModulePath.h"
#include "resource.h"

namespace tessary::barlet {
namespace {

using namespace Gdiplus;
using namespace Gdiplus::DllExports;

constexpr UINT kResources[] = {IDP_SET, IDP_CLEAR, IDP_SET_HOVER, IDP_CLEAR_HOVER};
constexpr int kPictureSize = 32;

// A picture from a "PNG" resource of this module; null when it cannot be read.
GpBitmap* LoadPicture(UINT resource) {
  const HMODULE module = CurrentModule();
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(resource), kPictureResourceType);
  HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  const DWORD size = found ? ::SizeofResource(module, found) : 0;
  const void* bytes = loaded ? ::LockResource(loaded) : nullptr;
  if (!bytes || size == 0) return nullptr;
  HGLOBAL block = ::GlobalAlloc(GMEM_MOVEABLE, size);
  void* copy = block ? ::GlobalLock(block) : nullptr;
  if (!copy) {
    if (block) ::GlobalFree(block);
    return nullptr;
  }
  std::memcpy(copy, bytes, size);
  ::GlobalUnlock(block);
  // The stream frees the block when it goes; the bitmap holds the stream.
  Microsoft::WRL::ComPtr<IStream> stream;
  if (FAILED(::CreateStreamOnHGlobal(block, TRUE, &stream))) {
    ::GlobalFree(block);
    return nullptr;
  }
  GpBitmap* picture = nullptr;
  if (GdipCreateBitmapFromStream(stream.Get(), &picture) != Ok) return nullptr;
  return picture;
}

// The extension's own picture: a file of 32 x 32 pixels; null otherwise.
GpBitmap* LoadPicture(const std::wstring& path) {
  GpBitmap* picture = nullptr;
  if (GdipCreateBitmapFromFile(path.c_str(), &picture) != Ok) return nullptr;
  UINT width = 0;
  UINT height = 0;
  GdipGetImageWidth(picture, &width);
  GdipGetImageHeight(picture, &height);
  if (width == kPictureSize && height == kPictureSize) return picture;
  GdipDisposeImage(picture);
  return nullptr;
}

}  // namespace

ButtonPictures::~ButtonPictures() { Free(); }

// The extension's own pictures when it has all four, the built-in ones otherwise.
bool ButtonPictures::Load() {
  if (loaded_) return true;
  if (!CbarletModule::Get().Gdiplus().Acquire()) return false;
  loaded_ = true;
  const auto& own = CbarletModule::Get().Look().pictures;
  if (!own[0].empty()) {
    for (int slot = 0; slot < kSlots; ++slot) pictures_[slot] = LoadPicture(own[slot]);
    if (std::all_of(pictures_.begin(), pictures_.end(), [](GpBitmap* picture) { return picture != nullptr; })) {
      return true;
    }
    FreePictures();
  }
  for (int slot = 0; slot < kSlots; ++slot) pictures_[slot] = LoadPicture(kResources[slot]);
  for (GpBitmap* picture : pictures_) {
    if (!picture) {
      Free();
      return false;
    }
  }
  return true;
}

void ButtonPictures::FreePictures() {
  for (GpBitmap*& picture : pictures_) {
    if (picture) GdipDisposeImage(picture);
    picture = nullptr;
  }
}

void ButtonPictures::Free() {
  // The pictures need GDI+: they go before this toolbar lets go of it.
  FreePictures();
  if (loaded_) CbarletModule::Get().Gdiplus().Release();
  loaded_ = false;
}

bool ButtonPictures::Paint(HDC dc, int x, bool set, bool hover) {
  if (!Load()) return false;
  ::SetBkMode(dc, OPAQUE);
  GpGraphics* graphics = nullptr;
  if (GdipCreateFromHDC(dc, &graphics) != Ok) return false;
  GdipSetPixelOffsetMode(graphics, PixelOffsetModeHalf);
  GdipSetSmoothingMode(graphics, SmoothingModeAntiAlias);
  GdipSetInterpolationMode(graphics, InterpolationModeHighQualityBicubic);
  GpBitmap* picture = pictures_[set ? (hover ? kSetHover : kSetNormal) : (hover ? kClearHover : kClearNormal)];
  GdipDrawImagePointRectI(graphics, picture, x, 0, 0, 0, kPictureSize, kPictureSize, UnitPixel);
  GdipDeleteGraphics(graphics);
  return true;
}

}  // namespace tessary::barlet
