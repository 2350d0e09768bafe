#include "DebugMode.h"

#include "Bstr.h"
#include "SafeXmlDocument.h"
#include "Variant.h"

namespace tessary {

bool ReadDebugMode(IXMLDOMElement* addon) {
  Variant value;
  if (!addon || addon->getAttribute(Bstr(L"debug").Get(), value.Put()) != S_OK || value->vt != VT_BSTR) return false;
  const std::wstring_view text = BstrView(value->bstrVal);
  return text == L"1" ||
         ::CompareStringOrdinal(text.data(), static_cast<int>(text.size()), L"true", 4, TRUE) == CSTR_EQUAL;
}

bool ReadDebugMode(const std::wstring& folder) { return ReadDebugMode(ReadConfigRoot(folder).Get()); }

}  // namespace tessary
