#pragma once
// File access for the background page's scripts.
#include <windows.h>
#include <oleauto.h>

#include <string>

namespace tessary::host {

class Log;

// The text of a UTF-8 file inside the customization folder (path relative to
// it), or a null string; failures are logged as the page's scripts need them.
BSTR ReadCustomizationFile(const std::wstring& customizationFolder, BSTR path, Log& log);

// "file:///" + the extension directory with forward slashes, unescaped; a null
// string when the directory is unknown.
BSTR ExtensionUrl(const std::wstring& programFolder);

}  // namespace tessary::host
