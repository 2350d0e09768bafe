#pragma once
// The tab channels as the background page sees them. A script engine, calling
// a method of an object in another process, asks that process first whether
// the object is an IDispatchEx and what the method's id is: two more round trips
// to the tab for every answer the page sends. The page therefore gets a local
// object for each channel that knows the ids once asked and forwards the calls;
// the same channel always gives the same local object, so that the page can
// compare channels between its connect and disconnect handlers.
#include <windows.h>
#include <oaidl.h>

#include <map>

#include <wrl/client.h>

namespace tessary::host {

class TabChannels {
 public:
  // The page's object for a channel (null for null).
  Microsoft::WRL::ComPtr<IDispatch> For(IDispatch* channel);
  // After the channel's disconnect: the page keeps its object if it wants to,
  // but the host lets go of it.
  void Forget(IDispatch* channel);

 private:
  std::map<IUnknown*, Microsoft::WRL::ComPtr<IDispatch>> channels_;
};

}  // namespace tessary::host
