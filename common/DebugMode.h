#pragma once
// An extension in development says so on the root of its config.xml:
//   <addon version="…" updateUrl="…" debug="true"/>
// Then the content scripts' extension.log reaches the host's log, their errors
// carry the page's address, and the host logs every message between the pages
// and the background page. Without the attribute nothing of that happens.
#include <windows.h>
#include <msxml2.h>

#include <string>

namespace tessary {

// The root element's debug attribute: "true" in any case, or "1".
bool ReadDebugMode(IXMLDOMElement* addon);

// The same from folder + "config.xml"; false when the file cannot be read.
bool ReadDebugMode(const std::wstring& folder);

}  // namespace tessary
