#include "Config.h"

#include <cwctype>

#include <wrl/client.h>

#include "Bstr.h"
#include "DebugMode.h"
#include "Failures.h"
#include "HostNames.h"
#include "Log.h"
#include "SafeXmlDocument.h"
#include "SharedNames.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

void LogParseError(IXMLDOMDocument* document, const std::wstring& path, Log& log) {
  ComPtr<IXMLDOMParseError> error;
  long code = 0;
  if (FAILED(document->get_parseError(&error)) || FAILED(error->get_errorCode(&code)) || code == 0) {
    return;
  }
  Bstr reason;
  long line = 0;
  error->get_reason(reason.Put());
  error->get_line(&line);
  std::wstring_view text = reason.View();
  while (!text.empty() && iswspace(text.back())) text.remove_suffix(1);
  log.Error() << "Can't load " << path << " (line " << line << "): " << text;
}

// S_FALSE when the attribute is missing; the value otherwise.
HRESULT ReadAttribute(IXMLDOMElement* element, const wchar_t* name, Variant* value) {
  const HRESULT hr = element->getAttribute(Bstr(name).Get(), value->Put());
  if (FAILED(hr)) return hr;
  return (hr == S_FALSE || (*value)->vt == VT_NULL) ? S_FALSE : S_OK;
}

}  // namespace

HRESULT Config::Read(const std::wstring& programFolder, Log& log) {
  SafeXmlDocument document;
  RETURN_IF_FAILED(document.Create());

  const std::wstring path = programFolder + kConfigFileName;
  XmlLoad loaded = XmlLoad::kMalformed;
  RETURN_IF_FAILED(document.LoadFile(path, &loaded));
  if (loaded == XmlLoad::kMalformed) LogParseError(document.Get(), path, log);
  if (loaded == XmlLoad::kDtdRefused) log.Error() << "Can't load " << path << ": a document type definition is not accepted";

  ComPtr<IXMLDOMNode> node;
  ComPtr<IXMLDOMElement> addon;
  if (document->selectSingleNode(Bstr(kConfigRootElement).Get(), &node) != S_OK || FAILED(node.As(&addon))) {
    return S_FALSE;
  }

  debug_ = ReadDebugMode(addon.Get());
  Variant version;
  HRESULT hr = ReadAttribute(addon.Get(), kVersionAttribute, &version);
  if (hr != S_OK) return hr;
  if (version->vt != VT_BSTR || ::SysStringLen(version->bstrVal) == 0) return E_FAIL;
  versionText_ = BstrView(version->bstrVal);
  version_ = Version::Parse(versionText_);

  Variant updateUrl;
  hr = ReadAttribute(addon.Get(), kUpdateUrlAttribute, &updateUrl);
  if (hr != S_OK) return hr;
  if (updateUrl->vt != VT_BSTR || !updateUrl->bstrVal) return E_FAIL;
  updateUrl_ = BstrView(updateUrl->bstrVal);
  return S_OK;
}

}  // namespace tessary::host
