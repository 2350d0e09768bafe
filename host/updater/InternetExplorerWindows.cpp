#include "InternetExplorerWindows.h"

#include <exdisp.h>
#include <shlguid.h>
#include <shlwapi.h>
#include <shobjidl.h>
#include <windows.h>
#include <wrl/client.h>

#include "BrowserWindows.h"
#include "Failures.h"
#include "HostNames.h"
#include "Log.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

// Tabs and frames of Internet Explorer answer the top-level browser service.
void QuitIfInternetExplorer(IDispatch* item) {
  ComPtr<IShellBrowser> topLevel;
  ComPtr<IWebBrowser2> browser;
  if (!item || FAILED(IUnknown_QueryService(item, SID_STopLevelBrowser, IID_PPV_ARGS(&topLevel))) ||
      FAILED(item->QueryInterface(IID_PPV_ARGS(&browser))) || !IsInternetExplorer(browser.Get())) {
    return;
  }
  LOG_IF_FAILED(browser->Quit());
}

}  // namespace

bool QuitInternetExplorer(Log& log) {
  ComPtr<IShellWindows> windows;
  HRESULT hr = ::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&windows));
  if (FAILED(hr)) {
    log.Error() << kUpdateThread << "Can't instantiate IShellWindows, code " << hr;
    return false;
  }
  ComPtr<IUnknown> enumerator;
  hr = windows->_NewEnum(&enumerator);
  if (FAILED(hr)) {
    log.Error() << kUpdateThread << kLogCannotEnumerateWindows << hr;
    return false;
  }
  long count = 0;
  if (FAILED(windows->get_Count(&count))) return true;
  // From the last: a window that quits may leave the list at once.
  for (long index = count - 1; index >= 0; --index) {
    ComPtr<IDispatch> item;
    hr = windows->Item(ArgI4(index), &item);
    if (FAILED(hr)) {
      log.Error() << kUpdateThread << kLogCannotGetWindowDispatch << hr;
      break;
    }
    QuitIfInternetExplorer(item.Get());
  }
  return true;
}

}  // namespace tessary::host
