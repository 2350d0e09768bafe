#pragma once
// File access for the background page's scripts.
#include <windows.h>

#include <string>

namespace tessary::host {

// "file:///" + the extension directory with forward slashes, unescaped; a null
// string when the directory is unknown.
BSTR ExtensionUrl(const std::wstring& programFolder);

}  // namespace tessary::host
