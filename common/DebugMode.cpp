#include "DebugMode.h"

#include <wrl/client.h>

#include "Bstr.h"
#include "SafeXmlDocument.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary {

bool ReadDebugMode(IXMLDOMElement* addon) {
  Variant value;
  if (!addon || addon->getAttribute(Bstr(L"debug").Get(), value.Put()) != S_OK || value->vt != VT_BSTR) return false;
  const std::wstring_view text = BstrView(value->bstrVal);
  return text == L"1" || ::CompareStringOrdinal(text.data(), static_cast<int>(text.size()), L"true", 4, TRUE) ==
                             CSTR_EQUAL;
}

bool ReadDebugMode(const std::wstring& folder) {
  SafeXmlDocument document;
  XmlLoad loaded = XmlLoad::kMalformed;
  if (FAILED(document.Create()) || FAILED(document.LoadFile(folder + L"config.xml", &loaded)) ||
      loaded != XmlLoad::kLoaded) {
    return false;
  }
  ComPtr<IXMLDOMNode> node;
  ComPtr<IXMLDOMElement> addon;
  return document->selectSingleNode(Bstr(L"addon").Get(), &node) == S_OK && SUCCEEDED(node.As(&addon)) &&
         ReadDebugMode(addon.Get());
}

}  // namespace tessary
