#include "TabChannels.h"

#include <dispex.h>
#include <shlwapi.h>

#include <string>
#include <string_view>

#include "ComIdentity.h"
#include "ComObject.h"
#include "DispatchExDefaults.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

// Forwards every call to the channel; remembers the ids of the names asked.
class ChannelObject : public ComObjectRoot, public DispatchExDefaults {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {
        QITABENT(ChannelObject, IDispatchEx),
        QITABENT(ChannelObject, IDispatch),
        {},
    };
    return interfaces;
  }
  void Attach(IDispatch* channel) { channel_ = channel; }

  IFACEMETHODIMP GetTypeInfoCount(UINT* count) override { return channel_->GetTypeInfoCount(count); }
  IFACEMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return channel_->GetTypeInfo(index, lcid, info);
  }
  IFACEMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    if (count != 1) return channel_->GetIDsOfNames(riid, names, count, lcid, ids);
    return Lookup(names[0], ids);
  }
  IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override {
    return channel_->Invoke(id, riid, lcid, flags, params, result, exception, argError);
  }
  IFACEMETHODIMP GetDispID(BSTR name, DWORD, DISPID* id) override { return Lookup(name, id); }
  IFACEMETHODIMP InvokeEx(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, IServiceProvider*) override {
    UINT argError = 0;
    return channel_->Invoke(id, IID_NULL, lcid, flags, params, result, exception, &argError);
  }

 private:
  HRESULT Lookup(LPOLESTR name, DISPID* id) {
    auto known = ids_.find(std::wstring_view(name));
    if (known != ids_.end()) {
      *id = known->second;
      return S_OK;
    }
    const HRESULT hr = channel_->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, id);
    if (SUCCEEDED(hr)) ids_.emplace(name, *id);
    return hr;
  }

  ComPtr<IDispatch> channel_;
  // Looked up by the caller's string as it is, without a copy.
  std::map<std::wstring, DISPID, std::less<>> ids_;
};

}  // namespace

ComPtr<IDispatch> TabChannels::For(IDispatch* channel) {
  if (!channel) return nullptr;
  ComPtr<IUnknown> identity = Identity(channel);
  ComPtr<IDispatch>& object = channels_[identity.Get()];
  if (!object) {
    auto created = MakeComObject<ChannelObject>();
    created->Attach(channel);
    object = created;
  }
  return object;
}

void TabChannels::Forget(IDispatch* channel) {
  if (channel) channels_.erase(Identity(channel).Get());
}

}  // namespace tessary::host
