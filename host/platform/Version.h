#pragma once
// A release number of the extension: four unsigned components, compared in order.
#include <array>
#include <cstdint>
#include <string_view>

namespace tessary::host {

struct Version {
  std::array<uint32_t, 4> parts = {};

  // Up to four "."-separated decimal parts; missing parts are 0 and each part
  // counts its leading digits only ("x" is 0, "7b" is 7).
  static Version Parse(std::wstring_view text);

  enum class Offer { kValid, kEmpty, kNegative };
  // A release number as an update description offers it: as Parse, but a part
  // may start with blanks and a sign. An empty text is no number, and a part
  // with a minus sign is refused: read unsigned it would outrank every release.
  static Offer ParseOffered(std::wstring_view text, Version* version);

  friend bool operator<(const Version& a, const Version& b) { return a.parts < b.parts; }
  friend bool operator==(const Version& a, const Version& b) { return a.parts == b.parts; }
};

}  // namespace tessary::host
