#pragma once
// The extension's settings file, config.xml in the extension directory:
//   <addon version="1.2.3.4" updateUrl="https://…" debug="true"/>
// (debug optional: DebugMode.h)
#include <windows.h>

#include <string>

#include "Version.h"

namespace tessary::host {

class Log;

class Config {
 public:
  // 0 when both attributes were read; 1 (S_FALSE) when the file, the addon
  // element or an attribute is missing; E_FAIL for an empty or non-text version
  // or a non-text updateUrl; the DOM's own failures otherwise. Why the file
  // could not be parsed goes to the log.
  HRESULT Read(const std::wstring& programFolder, Log& log);

  const std::wstring& VersionText() const { return versionText_; }
  const Version& CurrentVersion() const { return version_; }
  const std::wstring& UpdateUrl() const { return updateUrl_; }
  bool Debug() const { return debug_; }

 private:
  std::wstring versionText_;
  Version version_;
  std::wstring updateUrl_;
  bool debug_ = false;
};

}  // namespace tessary::host
