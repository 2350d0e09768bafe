#include "Version.h"

#include <limits>

namespace tessary::host {
namespace {

uint32_t LeadingNumber(std::wstring_view text) {
  uint64_t value = 0;
  for (wchar_t c : text) {
    if (c < L'0' || c > L'9') break;
    value = value * 10 + static_cast<uint32_t>(c - L'0');
    if (value > std::numeric_limits<uint32_t>::max()) return std::numeric_limits<uint32_t>::max();
  }
  return static_cast<uint32_t>(value);
}

// Calls read(index, part) for each of the up to four parts. The last part
// takes the rest of the text: "1.2.3.4.5" has a fourth part "4.5".
template <class Read>
void ForEachPart(std::wstring_view text, Read read) {
  for (size_t i = 0; i < 4; ++i) {
    const size_t dot = (i + 1 < 4) ? text.find(L'.') : std::wstring_view::npos;
    read(i, text.substr(0, dot));
    if (dot == std::wstring_view::npos) break;
    text.remove_prefix(dot + 1);
  }
}

}  // namespace

Version Version::Parse(std::wstring_view text) {
  Version version;
  ForEachPart(text, [&](size_t i, std::wstring_view part) { version.parts[i] = LeadingNumber(part); });
  return version;
}

Version::Offer Version::ParseOffered(std::wstring_view text, Version* version) {
  if (text.empty()) return Offer::kEmpty;
  Version offered;
  bool negative = false;
  ForEachPart(text, [&](size_t i, std::wstring_view part) {
    while (!part.empty() && (part.front() == L' ' || part.front() == L'\t')) part.remove_prefix(1);
    if (!part.empty() && (part.front() == L'+' || part.front() == L'-')) {
      negative = negative || part.front() == L'-';
      part.remove_prefix(1);
    }
    offered.parts[i] = LeadingNumber(part);
  });
  if (negative) return Offer::kNegative;
  *version = offered;
  return Offer::kValid;
}

}  // namespace tessary::host
