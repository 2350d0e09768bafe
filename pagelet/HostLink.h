#pragma once
// The page agent's link to the host program (IBGC of TessaryBG.exe). Made once
// the agent has its message window, possibly starting the host; while the host
// is still starting, the agent's injection attempts fail, and the window's
// timer repeats them until the host is ready.
//
// Calls to the host cross processes and let other messages in while they wait:
// whoever calls holds the link (Get) for the length of the call.
#include <windows.h>
#include <wrl/client.h>

#include "Tessary.h"

namespace tessary::pagelet {

class HostLink {
 public:
  // The window whose timer polls and to which a waiting attempt is posted
  // (`attemptMessage`), once it exists.
  explicit HostLink(UINT attemptMessage) : attemptMessage_(attemptMessage) {}
  ~HostLink() = default;
  HostLink(const HostLink&) = delete;
  HostLink& operator=(const HostLink&) = delete;

  void UseWindow(HWND window) { window_ = window; }

  // Creates the link, once; a failure leaves the agent without a host. An
  // attempt that came before the link is made again now.
  void Link();
  // Lets go of the host.
  void Reset();

  // Null before the link exists.
  Microsoft::WRL::ComPtr<IBGC> Get() const { return link_; }
  bool IsLinked() const { return link_ != nullptr; }

  // Whether an injection attempt may go on: not before the link exists, and
  // the attempt is then made again once it does.
  bool AcceptAttempt();
  // Whether the linked host serves content scripts yet; while it starts, the
  // timer polls.
  bool IsReady();

  // The poll runs only while there is something to wait for; the agent stops
  // it once the page has its scripts, they failed to start, or the tab shows a
  // page that gets none.
  void StartPolling();
  void StopPolling();

  // A line in the host's log, when there is a host.
  void Log(const wchar_t* text, int tabId);

 private:
  enum class State {
    kUnlinked,        // no link yet
    kAttemptWaiting,  // no link yet, and an injection attempt came meanwhile
    kHostStarting,    // linked, the host not yet seen ready for content scripts
    kHostReady,       // linked and ready: asked no more
  };

  const UINT attemptMessage_;
  HWND window_ = nullptr;
  Microsoft::WRL::ComPtr<IBGC> link_;
  State state_ = State::kUnlinked;
  // The timer is set: the window's WM_TIMER repeats the attempt.
  bool polling_ = false;
};

}  // namespace tessary::pagelet
