#include "RecordingChannel.h"

#include <shlwapi.h>

#include "ComObject.h"

namespace tessary::test {

class RecordingChannel::Object : public ComObjectRoot, public IDispatch {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {QITABENT(Object, IDispatch), {}};
    return interfaces;
  }

  std::vector<std::wstring> received;
  std::function<void(const std::wstring&)> hook;

  IFACEMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR* names, UINT count, LCID, DISPID* ids) override {
    if (count != 1 || wcscmp(names[0], L"send") != 0) return DISP_E_UNKNOWNNAME;
    ids[0] = 1;
    return S_OK;
  }
  IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    if (id != 1) return DISP_E_MEMBERNOTFOUND;
    if (!params || params->cArgs != 1) return DISP_E_BADPARAMCOUNT;
    VARIANT text;
    ::VariantInit(&text);
    if (FAILED(::VariantChangeType(&text, &params->rgvarg[0], 0, VT_BSTR))) return DISP_E_TYPEMISMATCH;
    received.emplace_back(text.bstrVal ? std::wstring(text.bstrVal, ::SysStringLen(text.bstrVal)) : L"");
    ::VariantClear(&text);
    if (hook) hook(received.back());
    return S_OK;
  }
};

RecordingChannel::RecordingChannel() : object_(MakeComObject<Object>()), dispatch_(object_.Get()) {}

// The host may still hold a proxy: cut it off so no late call arrives here.
RecordingChannel::~RecordingChannel() { ::CoDisconnectObject(dispatch_.Get(), 0); }

const std::vector<std::wstring>& RecordingChannel::Received() const { return object_->received; }

std::wstring RecordingChannel::Last() const {
  return object_->received.empty() ? L"<nothing>" : object_->received.back();
}

void RecordingChannel::OnReceived(std::function<void(const std::wstring&)> hook) { object_->hook = std::move(hook); }

ULONG References(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

}  // namespace tessary::test
