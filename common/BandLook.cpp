#include "BandLook.h"

#include <wrl/client.h>

#include <cstring>

#include "Bstr.h"
#include "SafeXmlDocument.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary {
namespace {

const wchar_t* const kPictureNames[] = {L"toolbar\\set.png", L"toolbar\\clear.png", L"toolbar\\set-hover.png",
                                        L"toolbar\\clear-hover.png"};

bool IsFolder(const std::wstring& path) {
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
}

// The width and height of a PNG file from its header; false when the file
// cannot be read or is no PNG.
bool PngSize(const std::wstring& path, unsigned* width, unsigned* height) {
  const HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  unsigned char header[24] = {};
  DWORD read = 0;
  const BOOL ok = ::ReadFile(file, header, sizeof(header), &read, nullptr);
  ::CloseHandle(file);
  static const unsigned char kSignature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (!ok || read != sizeof(header) || memcmp(header, kSignature, sizeof(kSignature)) != 0 ||
      memcmp(header + 12, "IHDR", 4) != 0) {
    return false;
  }
  const auto bigEndian = [&header](int at) {
    return (unsigned{header[at]} << 24) | (unsigned{header[at + 1]} << 16) | (unsigned{header[at + 2]} << 8) |
           header[at + 3];
  };
  *width = bigEndian(16);
  *height = bigEndian(20);
  return true;
}

std::wstring PictureProblem(const std::wstring& folder, const wchar_t* name) {
  const std::wstring path = folder + name;
  if (::GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return std::wstring(name) + L" is missing";
  unsigned width = 0;
  unsigned height = 0;
  if (!PngSize(path, &width, &height)) return std::wstring(name) + L" is not a PNG picture that can be read";
  if (width != kBandPictureSize || height != kBandPictureSize) {
    return std::wstring(name) + L" is " + std::to_wstring(width) + L" x " + std::to_wstring(height) +
           L" pixels, not 32 x 32";
  }
  return L"";
}

std::wstring Attribute(IXMLDOMElement* element, const wchar_t* name) {
  Variant value;
  if (element->getAttribute(Bstr(name).Get(), value.Put()) != S_OK || value->vt != VT_BSTR) return L"";
  return std::wstring(BstrView(value->bstrVal));
}

}  // namespace

std::wstring BandPicturesProblem(const std::wstring& folder) {
  if (!IsFolder(folder + L"toolbar")) return L"";
  for (const wchar_t* name : kPictureNames) {
    std::wstring problem = PictureProblem(folder, name);
    if (!problem.empty()) return problem;
  }
  return L"";
}

BandLook ReadBandLook(const std::wstring& folder) {
  BandLook look;
  if (IsFolder(folder + L"toolbar") && BandPicturesProblem(folder).empty()) {
    for (size_t i = 0; i < look.pictures.size(); ++i) look.pictures[i] = folder + kPictureNames[i];
  }
  if (const ComPtr<IXMLDOMElement> addon = ReadConfigRoot(folder)) {
    look.title = Attribute(addon.Get(), L"title");
    look.tooltip = Attribute(addon.Get(), L"tooltip");
  }
  return look;
}

}  // namespace tessary
