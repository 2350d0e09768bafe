#pragma once
// The host program as a page agent sees it, inside the test process: a class
// object registered under CBGC's class for this process only, so that the
// agent's CoCreateInstance reaches it. A test makes the host ready, lets it die
// and come back, reads what the agent called, sends on the channels it holds,
// and runs code of its own in the middle of any call, as a real host's calls
// let other messages into the tab while they wait.
#include <windows.h>
#include <oaidl.h>

#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include <wrl/client.h>

namespace tessary::test {

class InProcessHost {
 public:
  // What the agent asked: "create", "getState", "connect", "dispatchMsg",
  // "disconnect", "log"; the channel for connect and disconnect.
  using CallHook = std::function<void(const std::string& call, IDispatch* channel)>;

  InProcessHost();
  ~InProcessHost();
  InProcessHost(const InProcessHost&) = delete;
  InProcessHost& operator=(const InProcessHost&) = delete;

  bool IsRegistered() const { return cookie_ != 0; }
  void SetReady(bool ready);
  // From now on creations and calls fail as they do once the host process has
  // died, and what the dead host was told no longer counts.
  void Die();
  // A new host process answers later creations; it is not ready yet.
  void Revive();
  // Runs inside every call before it is answered (not again inside itself);
  // a message is recorded before it runs.
  void DuringCalls(CallHook hook);

  int Calls(const std::string& call) const;
  const std::vector<std::wstring>& Messages() const;
  const std::vector<std::wstring>& LogLines() const;
  // The host objects that exist now: the agents' host links.
  int LiveObjects() const;
  // Sends the text on every channel that is connected now.
  void SendToChannels(const std::wstring& text);
  // The channels connected and not disconnected since.
  size_t ConnectedChannels() const;
  // The tabs that connects named.
  const std::set<int>& TabIds() const;
  // Of the host that lives now: each channel that connected disconnected
  // exactly once, and none more than once, always named for the same tab.
  // Empty when so, else what is wrong.
  std::string Imbalance() const;
  // Lets go of every channel and forgets what was called.
  void Clear();

  struct State;

 private:
  std::shared_ptr<State> state_;
  DWORD cookie_ = 0;
};

// Calls `send` on a tab channel, as the background page does.
HRESULT SendOnChannel(IDispatch* channel, const std::wstring& text);

}  // namespace tessary::test
