#include "XmlHttpRequest.h"

#include <msxml2.h>

#include <wrl/client.h>

#include "PlatformUuids.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

constexpr CLSID kClsidXmlHttp60 = {0x88D96A0A, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};

}  // namespace

IDispatch* NewXmlHttpRequest() {
  ComPtr<IXMLHTTPRequest> request;
  if (FAILED(::CoCreateInstance(kClsidXmlHttp60, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                IID_PPV_ARGS(&request)))) {
    return nullptr;
  }
  ComPtr<IDispatch> dispatch;
  return SUCCEEDED(request.As(&dispatch)) ? dispatch.Detach() : nullptr;
}

}  // namespace tessary::host
