#include "ScriptErrors.h"

#include <activscp.h>
#include <mshtml.h>

#include <string>

#include <wrl/client.h>

#include "ExceptionInfo.h"
#include "ScriptCallback.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

std::wstring TextOf(IDispatch* object, const wchar_t* name) {
  Variant value;
  if (FAILED(GetPropertyByName(object, name, value.Put())) ||
      FAILED(::VariantChangeType(value.Get(), value.Get(), 0, VT_BSTR)) || !value->bstrVal) {
    return L"";
  }
  return value->bstrVal;
}

// The file's name, without the extension's folder or address before it.
std::wstring FileOf(const std::wstring& url) {
  const size_t slash = url.find_last_of(L"/\\");
  return slash == std::wstring::npos ? url : url.substr(slash + 1);
}

// The event object of the document's window, which holds the error's details.
ComPtr<IDispatch> ErrorEvent(IUnknown* document) {
  ComPtr<IHTMLDocument2> html;
  ComPtr<IHTMLWindow2> window;
  ComPtr<IDispatch> windowObject;
  Variant event;
  if (!document || FAILED(document->QueryInterface(IID_PPV_ARGS(&html))) ||
      FAILED(html->get_parentWindow(&window)) || !window || FAILED(window.As(&windowObject)) ||
      FAILED(GetPropertyByName(windowObject.Get(), L"event", event.Put())) || event->vt != VT_DISPATCH) {
    return nullptr;
  }
  return event->pdispVal;
}

}  // namespace

void LogReportedScriptError(IUnknown* document, const wchar_t* page, Log& log) {
  const ComPtr<IDispatch> event = ErrorEvent(document);
  if (!event) {
    log.Error() << page << " Script error, without its details";
    return;
  }
  log.Error() << page << " Script error in " << FileOf(TextOf(event.Get(), L"errorUrl")) << ", line "
              << TextOf(event.Get(), L"errorLine") << ": " << TextOf(event.Get(), L"errorMessage");
}

void CallPageFunction(IDispatch* function, std::initializer_list<VARIANT> args, const wchar_t* page,
                      const wchar_t* what, Log& log) {
  if (!function) return;
  std::wstring raised;
  const HRESULT hr = CallScriptFunction(function, args, &raised);
  // The engine has reported its own exceptions to the browser, which has shown
  // them to this program, with their file and line (LogReportedScriptError).
  if (FAILED(hr) && hr != static_cast<HRESULT>(SCRIPT_E_REPORTED)) {
    log.Error() << page << " Script error in " << what << ": " << (raised.empty() ? ErrorCodeText(hr) : raised);
  }
}

}  // namespace tessary::host
