#pragma once
// The tab channels as the background page sees them. A script engine, calling
// a method of an object in another process, asks that process first whether
// the object is an IDispatchEx and what the method's id is: two more round trips
// to the tab for every answer the page sends. The page therefore gets a local
// object for each channel that knows the ids once asked and forwards the calls;
// the same channel always gives the same local object, so that the page can
// compare channels between its connect and disconnect handlers.
//
// The host holds a tab's channel only from its connect to its disconnect: a tab
// loads a page, and so connects anew, many times a day. A page may keep its
// object longer, but calls through it then fail as calls to a closed page do.
// A tab whose process died never disconnects; the first call that finds it
// gone lets go of its channel and reports it, so that the page hears of it.
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <map>
#include <string>

#include <wrl/client.h>

namespace tessary::host {

class ChannelObject;

class TabChannels {
 public:
  // A channel whose tab is gone (the failed call's result), with the page's
  // object for it; called once per channel, after the host let go of it.
  using LostHandler = std::function<void(int tabId, IDispatch* object, HRESULT failure)>;
  // Every call the page makes into a tab, before it is forwarded.
  using CallObserver = std::function<void(int tabId, const DISPPARAMS& params)>;

  TabChannels();
  ~TabChannels();
  TabChannels(const TabChannels&) = delete;
  TabChannels& operator=(const TabChannels&) = delete;

  void OnLost(LostHandler handler) { onLost_ = std::move(handler); }
  void OnCall(CallObserver observer) { onCall_ = std::move(observer); }

  // The page's object for a channel of the tab (null for null, or when there
  // is no memory for it); the address of the tab's page is kept from the first
  // time the channel is seen.
  Microsoft::WRL::ComPtr<IDispatch> For(int tabId, IDispatch* channel, std::wstring url = {});
  // Every channel the host holds: its tab, the page's object and the address.
  void ForEach(const std::function<void(int tabId, IDispatch* object, const std::wstring& url)>& visit) const;
  // After the channel's disconnect: the host lets go of it.
  void Forget(IDispatch* channel);
  // How many channels the host holds.
  size_t Count() const { return channels_.size(); }

 private:
  friend class ChannelObject;
  void Lost(ChannelObject* object, HRESULT failure);

  std::map<IUnknown*, Microsoft::WRL::ComPtr<ChannelObject>> channels_;
  LostHandler onLost_;
  CallObserver onCall_;
};

}  // namespace tessary::host
