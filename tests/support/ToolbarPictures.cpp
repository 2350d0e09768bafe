#include "ToolbarPictures.h"

#include "BrowserSession.h"
#include "UniqueHandle.h"

namespace tessary::test {
namespace {

std::string ResourceBytes(HMODULE module, UINT id) {
  HRSRC found = ::FindResourceW(module, MAKEINTRESOURCEW(id), L"PNG");
  HGLOBAL loaded = found ? ::LoadResource(module, found) : nullptr;
  const char* bytes = loaded ? static_cast<const char*>(::LockResource(loaded)) : nullptr;
  return bytes ? std::string(bytes, ::SizeofResource(module, found)) : std::string();
}

bool Opaque(DWORD pixel) { return (pixel >> 24) == 0xFF; }

}  // namespace

ToolbarPictures::ToolbarPictures(const std::wstring& library) {
  UniqueLibrary module(::LoadLibraryExW(library.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  for (size_t i = 0; i < kResources.size(); ++i) pictures_[i] = Picture::FromPng(ResourceBytes(module.Get(), kResources[i]));
  if (!IsLoaded()) return;
  // Every fourth opaque point, enough to tell the pictures apart.
  for (int y = 0; y < pictures_[0].Height(); ++y) {
    for (int x = 0; x < pictures_[0].Width(); ++x) {
      bool everywhere = true;
      for (const Picture& picture : pictures_) everywhere = everywhere && Opaque(picture.At(x, y));
      if (everywhere && (x + y) % 4 == 0) samples_.push_back({x, y});
    }
  }
}

bool ToolbarPictures::IsLoaded() const {
  for (const Picture& picture : pictures_) {
    if (picture.Width() != 32 || picture.Height() != 32) return false;
  }
  return true;
}

int ToolbarPictures::Find(const Picture& shown, int x, int y) const {
  for (size_t i = 0; i < pictures_.size(); ++i) {
    const Picture& picture = pictures_[i];
    bool matches = true;
    for (int py = 0; matches && py < picture.Height(); ++py) {
      for (int px = 0; matches && px < picture.Width(); ++px) {
        const DWORD pixel = picture.At(px, py);
        matches = !Opaque(pixel) || SameColour(pixel, shown.At(x + px, y + py));
      }
    }
    if (matches) return static_cast<int>(i);
  }
  return kNone;
}

int ToolbarPictures::FindByColours(const std::vector<COLORREF>& colours) const {
  if (colours.size() != samples_.size()) return kNone;
  for (size_t i = 0; i < pictures_.size(); ++i) {
    bool matches = true;
    for (size_t s = 0; matches && s < samples_.size(); ++s) {
      matches = SameColour(pictures_[i].At(samples_[s].x, samples_[s].y), colours[s]);
    }
    if (matches) return static_cast<int>(i);
  }
  return kNone;
}

std::string ToolbarPictures::Name(int index) {
  return index == kNone ? "no picture" : "PNG " + std::to_string(kResources[index]);
}

int ToolbarPictures::DrawnBy(BrowserSession& session, DWORD tab, HWND toolbar) const {
  RECT client = {};
  ::GetClientRect(toolbar, &client);
  std::vector<POINT> points = samples_;
  for (POINT& point : points) point.x += client.right - 36;
  return FindByColours(session.Pixels(tab, toolbar, points));
}

}  // namespace tessary::test
