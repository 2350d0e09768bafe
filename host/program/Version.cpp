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

}  // namespace

Version Version::Parse(std::wstring_view text) {
  Version version;
  for (size_t i = 0; i < version.parts.size(); ++i) {
    // The last part takes the rest of the text: "1.2.3.4.5" has a fourth part "4.5".
    const size_t dot = (i + 1 < version.parts.size()) ? text.find(L'.') : std::wstring_view::npos;
    version.parts[i] = LeadingNumber(text.substr(0, dot));
    if (dot == std::wstring_view::npos) break;
    text.remove_prefix(dot + 1);
  }
  return version;
}

}  // namespace tessary::host
