#pragma once
// A test that plays the page agent of one tab: it creates CBGC (COM starts the
// host program), waits until the background page is ready, connects with a tab
// channel of its own, sends messages and reads the answers the page sends back.
#include <windows.h>

#include <string>

#include <wrl/client.h>

#include "RecordingChannel.h"
#include "Tessary.h"

namespace tessary::test {

Microsoft::WRL::ComPtr<IBGC> CreateBgc(HRESULT* result = nullptr);
// getState's answer, or -1.
int BackgroundState(IBGC* bgc);
bool WaitUntilReady(IBGC* bgc, DWORD timeoutMs = 20000);

class ConnectedTab {
 public:
  explicit ConnectedTab(int tabId);
  bool Connect();
  // Sends a message; the page's answer has arrived when the call returns.
  std::wstring Ask(const std::wstring& message);
  IBGC* Bgc() const { return bgc_.Get(); }
  RecordingChannel& Channel() { return channel_; }
  int Id() const { return tabId_; }

 private:
  int tabId_;
  RecordingChannel channel_;
  Microsoft::WRL::ComPtr<IBGC> bgc_;
};

}  // namespace tessary::test
