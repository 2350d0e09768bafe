#include "SafeXmlDocument.h"

#include "Bstr.h"
#include "Failures.h"
#include "SharedNames.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary {
namespace {

// The system's XML DOM document class.
constexpr CLSID kClsidDomDocument = {0x2933BF90, 0x7B36, 0x11D2, {0xB2, 0x0E, 0x00, 0xC0, 0x4F, 0x98, 0x3E, 0x60}};

}  // namespace

ComPtr<IXMLDOMElement> ReadConfigRoot(const std::wstring& folder) {
  SafeXmlDocument document;
  XmlLoad loaded = XmlLoad::kMalformed;
  ComPtr<IXMLDOMNode> node;
  ComPtr<IXMLDOMElement> addon;
  if (FAILED(document.Create()) || FAILED(document.LoadFile(folder + kConfigFileName, &loaded)) ||
      loaded != XmlLoad::kLoaded || document->selectSingleNode(Bstr(kConfigRootElement).Get(), &node) != S_OK ||
      FAILED(node.As(&addon))) {
    return nullptr;
  }
  return addon;
}

HRESULT SafeXmlDocument::Create() {
  ComPtr<IXMLDOMDocument2> document;
  RETURN_IF_FAILED(::CoCreateInstance(kClsidDomDocument, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&document)));
  LOG_IF_FAILED(document->put_async(VARIANT_FALSE));
  LOG_IF_FAILED(document->put_validateOnParse(VARIANT_FALSE));
  LOG_IF_FAILED(document->put_resolveExternals(VARIANT_FALSE));
  // A DOM that does not know the property answers an error; the check after
  // each load covers it.
  document->setProperty(Bstr(L"ProhibitDTD").Get(), ArgBool(true));
  document_ = std::move(document);
  return S_OK;
}

HRESULT SafeXmlDocument::LoadFile(const std::wstring& path, XmlLoad* result) {
  Bstr pathText(path);
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT hr = document_->load(ArgBstr(pathText.Get()), &loaded);
  return Check(hr, loaded, result);
}

HRESULT SafeXmlDocument::LoadText(BSTR text, XmlLoad* result) {
  VARIANT_BOOL loaded = VARIANT_FALSE;
  const HRESULT hr = document_->loadXML(text, &loaded);
  return Check(hr, loaded, result);
}

HRESULT SafeXmlDocument::Check(HRESULT hr, VARIANT_BOOL loaded, XmlLoad* result) {
  *result = XmlLoad::kMalformed;
  if (FAILED(hr) || loaded != VARIANT_TRUE) return hr;
  ComPtr<IXMLDOMDocumentType> doctype;
  if (document_->get_doctype(&doctype) == S_OK && doctype) {
    // Whatever the DTD declared must not be read: start again from nothing.
    *result = XmlLoad::kDtdRefused;
    document_.Reset();
    return Create();
  }
  *result = XmlLoad::kLoaded;
  return hr;
}

}  // namespace tessary
