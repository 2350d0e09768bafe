#pragma once
// A test in the place of a page agent: it creates CBGC in the host program
// (started by COM), waits for the background page, connects a tab channel of
// its own and sends the test extension's background page commands, whose
// answers arrive on that channel before the call returns.
#include <windows.h>

#include <string>

#include <wrl/client.h>

#include "RecordingChannel.h"
#include "Tessary.h"

namespace tessary::test {

Microsoft::WRL::ComPtr<IBGC> CreateBgc(HRESULT* result = nullptr);
// The background state as getState answers it; -1 when the call failed.
int BackgroundState(IBGC* bgc);
bool WaitUntilReady(IBGC* bgc, DWORD timeoutMs = 20000);

class BackgroundClient {
 public:
  explicit BackgroundClient(int tabId);
  // Waits for the background page and connects; false on any failure.
  bool Connect();
  // The page's answer, or a text in angle brackets saying what went wrong.
  std::wstring Ask(const std::wstring& message);
  // Disconnects the channel as a page that goes away does; the host's answer.
  HRESULT Disconnect();
  IBGC* Bgc() const { return bgc_.Get(); }
  RecordingChannel& Channel() { return channel_; }
  int Id() const { return tabId_; }

 private:
  int tabId_;
  RecordingChannel channel_;
  Microsoft::WRL::ComPtr<IBGC> bgc_;
};

}  // namespace tessary::test
