#pragma once
// A tab channel as a page agent hands it to the host: an IDispatch whose method
// `send` (DISPID 1) the background page calls. It records what arrives.
#include <windows.h>
#include <oleauto.h>

#include <functional>
#include <string>
#include <vector>

#include <wrl/client.h>

namespace tessary::test {

class RecordingChannel {
 public:
  RecordingChannel();
  ~RecordingChannel();
  RecordingChannel(const RecordingChannel&) = delete;
  RecordingChannel& operator=(const RecordingChannel&) = delete;

  IDispatch* Dispatch() const { return dispatch_.Get(); }
  const std::vector<std::wstring>& Received() const;
  // The last string received, or "<nothing>".
  std::wstring Last() const;
  // Runs with each string once it is recorded, inside the host's call.
  void OnReceived(std::function<void(const std::wstring&)> hook);

 private:
  class Object;
  Microsoft::WRL::ComPtr<Object> object_;
  Microsoft::WRL::ComPtr<IDispatch> dispatch_;
};

// The references an object has, as its own count tells them: what a channel's
// holders still keep of it.
ULONG References(IUnknown* object);

}  // namespace tessary::test
