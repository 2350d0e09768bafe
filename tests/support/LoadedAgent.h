#pragma once
// The page agent as a browser loads it into a tab: from its DLL in a given
// folder, through its class factory, sited on the tab's browser.
#include <windows.h>
#include <exdisp.h>
#include <ocidl.h>

#include <string>

#include <wrl/client.h>

#include "UniqueHandle.h"

namespace tessary::test {

class LoadedAgent {
 public:
  // folder: the extension directory holding pagelet.dll, with a backslash.
  explicit LoadedAgent(const std::wstring& folder);
  ~LoadedAgent();
  LoadedAgent(const LoadedAgent&) = delete;
  LoadedAgent& operator=(const LoadedAgent&) = delete;

  bool SiteOn(IWebBrowser2* browser);
  // SetSite(NULL) and the last release, as a closing tab does.
  void Release();

 private:
  UniqueLibrary library_;
  Microsoft::WRL::ComPtr<IObjectWithSite> agent_;
};

}  // namespace tessary::test
