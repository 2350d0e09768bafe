#include "FileAccess.h"

#include <algorithm>

#include "Bstr.h"

namespace tessary::host {

BSTR ExtensionUrl(const std::wstring& programFolder) {
  if (programFolder.empty()) return nullptr;
  std::wstring url = L"file:///" + programFolder;
  std::replace(url.begin(), url.end(), L'\\', L'/');
  return Bstr(url).Detach();
}

}  // namespace tessary::host
