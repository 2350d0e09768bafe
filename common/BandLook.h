#pragma once
// An extension's own look of its toolbar band, in place of the built-in
// padlock: four pictures in the folder toolbar\ of the extension, and the
// band's title and the button's tooltip on the root of config.xml:
//   toolbar\set.png, toolbar\set-hover.png      the state set (setIcon non-zero)
//   toolbar\clear.png, toolbar\clear-hover.png  the state clear
//   <addon ... title="Hello" tooltip="Say hello"/>
// Each picture is a PNG of 32 x 32 pixels. Unless all four are, the built-in
// pictures are used; the host program logs why (BandPicturesProblem).
#include <windows.h>

#include <array>
#include <string>

namespace tessary {

constexpr int kBandPictureSize = 32;

struct BandLook {
  std::wstring title;    // empty: the built-in title
  std::wstring tooltip;  // empty: no tooltip
  // set, clear, set-hover, clear-hover: full paths, or all empty for the
  // built-in pictures.
  std::array<std::wstring, 4> pictures;
};

// The look of the extension in the folder (with a trailing backslash).
BandLook ReadBandLook(const std::wstring& folder);

// Why the extension's pictures cannot be used ("toolbar\set.png is missing"),
// or empty when they can, or when the extension has no folder toolbar\.
std::wstring BandPicturesProblem(const std::wstring& folder);

}  // namespace tessary
