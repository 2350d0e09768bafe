#pragma once
// A page agent's part in the host program, played by a test: CBGC objects of
// the running host, and a tab connected with a channel of the test's own,
// through which the test sends the background page commands and reads its
// answers.
#include <windows.h>

#include <string>

#include <wrl/client.h>

#include "RecordingChannel.h"
#include "Tessary.h"

namespace tessary::test {

Microsoft::WRL::ComPtr<IBGC> CreateBgc(HRESULT* result = nullptr);
// getState's answer, or -1 when the call fails.
int BackgroundState(IBGC* bgc);
bool WaitUntilReady(IBGC* bgc, DWORD timeoutMs = 20000);

class BackgroundTab {
 public:
  explicit BackgroundTab(int tabId);
  BackgroundTab(const BackgroundTab&) = delete;
  BackgroundTab& operator=(const BackgroundTab&) = delete;

  // Waits for the background page to be ready, then connects.
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
