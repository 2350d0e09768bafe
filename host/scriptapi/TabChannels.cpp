#include "TabChannels.h"

#include <dispex.h>
#include <shlwapi.h>

#include <new>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "ComIdentity.h"
#include "ComObject.h"
#include "DispatchExDefaults.h"
#include "ExceptionBarrier.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

// What a call into a tab answers once the tab's process or its page is gone.
bool TabIsGone(HRESULT hr) {
  return hr == RPC_E_DISCONNECTED || hr == HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE) || hr == RPC_E_SERVER_DIED ||
         hr == RPC_E_SERVER_DIED_DNE;
}

}  // namespace

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
  ChannelObject(TabChannels& owner, int tabId, IDispatch* channel, std::wstring url)
      : owner_(&owner), tabId_(tabId), url_(std::move(url)), channel_(channel) {}

  int TabId() const { return tabId_; }
  const std::wstring& Url() const { return url_; }
  // From now on every call fails as a call into a closed page does.
  void Detach() {
    owner_ = nullptr;
    channel_.Reset();
  }

  IFACEMETHODIMP GetTypeInfoCount(UINT* count) override {
    return ExceptionBarrier([&] {
      ComPtr<IDispatch> channel = channel_;
      return channel ? Checked(channel->GetTypeInfoCount(count)) : RPC_E_DISCONNECTED;
    });
  }
  IFACEMETHODIMP GetTypeInfo(UINT index, LCID lcid, ITypeInfo** info) override {
    return ExceptionBarrier([&] {
      ComPtr<IDispatch> channel = channel_;
      return channel ? Checked(channel->GetTypeInfo(index, lcid, info)) : RPC_E_DISCONNECTED;
    });
  }
  IFACEMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    return ExceptionBarrier([&] {
      if (count == 1) return Lookup(names[0], ids);
      ComPtr<IDispatch> channel = channel_;
      return channel ? Checked(channel->GetIDsOfNames(riid, names, count, lcid, ids)) : RPC_E_DISCONNECTED;
    });
  }
  // The channel is held for the call: the tab may disconnect while it runs.
  IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override {
    return ExceptionBarrier([&] {
      if (owner_ && owner_->onCall_ && params) owner_->onCall_(tabId_, *params);
      ComPtr<IDispatch> channel = channel_;
      return channel ? Checked(channel->Invoke(id, riid, lcid, flags, params, result, exception, argError))
                     : RPC_E_DISCONNECTED;
    });
  }
  IFACEMETHODIMP GetDispID(BSTR name, DWORD, DISPID* id) override {
    return ExceptionBarrier([&] { return Lookup(name, id); });
  }
  IFACEMETHODIMP InvokeEx(DISPID id, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                          EXCEPINFO* exception, IServiceProvider*) override {
    return ExceptionBarrier([&] {
      UINT argError = 0;
      return Invoke(id, IID_NULL, lcid, flags, params, result, exception, &argError);
    });
  }

 private:
  HRESULT Lookup(LPOLESTR name, DISPID* id) {
    auto known = ids_.find(std::wstring_view(name));
    if (known != ids_.end()) {
      *id = known->second;
      return S_OK;
    }
    ComPtr<IDispatch> channel = channel_;
    if (!channel) return RPC_E_DISCONNECTED;
    const HRESULT hr = Checked(channel->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, id));
    if (SUCCEEDED(hr)) {
      try {
        ids_.emplace(name, *id);
      } catch (const std::bad_alloc&) {
        // Only the shortcut is lost: the name is asked again next time.
      }
    }
    return hr;
  }
  HRESULT Checked(HRESULT hr) {
    if (TabIsGone(hr) && owner_) owner_->Lost(this, hr);
    return hr;
  }

  TabChannels* owner_;  // not counted: it detaches this object before it goes
  const int tabId_;
  const std::wstring url_;
  ComPtr<IDispatch> channel_;
  // Looked up by the caller's string as it is, without a copy.
  std::map<std::wstring, DISPID, std::less<>> ids_;
};

TabChannels::TabChannels() = default;

TabChannels::~TabChannels() {
  for (auto& entry : channels_) entry.second->Detach();
}

ComPtr<IDispatch> TabChannels::For(int tabId, IDispatch* channel, std::wstring url) {
  if (!channel) return nullptr;
  ComPtr<IUnknown> identity = Identity(channel);
  auto known = channels_.find(identity.Get());
  if (known != channels_.end()) return known->second;
  try {
    ComPtr<ChannelObject> object = MakeComObject<ChannelObject>(*this, tabId, channel, std::move(url));
    channels_.emplace(identity.Get(), object);
    return object;
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

void TabChannels::ForEach(const std::function<void(int, IDispatch*, const std::wstring&)>& visit) const {
  // A copy: a visit may connect or forget channels.
  std::vector<ComPtr<ChannelObject>> objects;
  for (const auto& entry : channels_) objects.push_back(entry.second);
  for (const auto& object : objects) visit(object->TabId(), object.Get(), object->Url());
}

void TabChannels::Forget(IDispatch* channel) {
  auto known = channel ? channels_.find(Identity(channel).Get()) : channels_.end();
  if (known == channels_.end()) return;
  ComPtr<ChannelObject> object = std::move(known->second);
  channels_.erase(known);
  object->Detach();
}

void TabChannels::Lost(ChannelObject* object, HRESULT failure) {
  for (auto entry = channels_.begin(); entry != channels_.end(); ++entry) {
    if (entry->second.Get() != object) continue;
    ComPtr<ChannelObject> lost = std::move(entry->second);
    channels_.erase(entry);
    lost->Detach();
    if (onLost_) onLost_(lost->TabId(), lost.Get(), failure);
    return;
  }
}

}  // namespace tessary::host
