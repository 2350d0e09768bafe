#pragma once
// An XML DOM document for text this program does not control: config.xml and
// the update description. Document type definitions are refused and nothing
// external is resolved, so that a document can neither make the program read
// local files nor expand entities without bound. The DOM is told so, and since
// not every DOM honours ProhibitDTD, a document that still arrives with a DTD
// is refused here as well.
#include <windows.h>
#include <msxml2.h>

#include <string>

#include <wrl/client.h>

#include "PlatformUuids.h"

namespace tessary {

enum class XmlLoad { kLoaded, kMalformed, kDtdRefused };

class SafeXmlDocument {
 public:
  // Creates the system's DOM document (any server context); the DOM's HRESULT
  // when it cannot be created.
  HRESULT Create();

  // As the DOM's load and loadXML. A failing HRESULT is the DOM's own; with
  // S_OK or S_FALSE, *result tells whether the document was loaded. A refused
  // document leaves the object empty.
  HRESULT LoadFile(const std::wstring& path, XmlLoad* result);
  HRESULT LoadText(BSTR text, XmlLoad* result);

  IXMLDOMDocument2* operator->() const { return document_.Get(); }
  IXMLDOMDocument2* Get() const { return document_.Get(); }

 private:
  HRESULT Check(HRESULT hr, VARIANT_BOOL loaded, XmlLoad* result);

  Microsoft::WRL::ComPtr<IXMLDOMDocument2> document_;
};

// The root element <addon> of folder + "config.xml" (folder with a trailing
// backslash), for the add-ons' own reading of it; null when the file cannot
// be read. The host program reads the file itself, with its errors logged.
Microsoft::WRL::ComPtr<IXMLDOMElement> ReadConfigRoot(const std::wstring& folder);

}  // namespace tessary
