#include "HostLink.h"

#include "Bstr.h"
#include "Failures.h"
#include "PageletNames.h"

using Microsoft::WRL::ComPtr;

namespace tessary::pagelet {

// Creating the link may start the host program, for seconds, and lets other
// messages in meanwhile: one of them may have linked already. Without a host
// the agent runs no scripts, and has no log but the debugger's.
void HostLink::Link() {
  if (link_) return;
  ComPtr<IBGC> link;
  if (FAILED(LOG_IF_FAILED(::CoCreateInstance(CLSID_CBGC, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&link)))) ||
      link_) {
    return;
  }
  link_ = link;
  // The page may have completed while the host started: its attempt found no
  // host then, and is made now.
  if (state_ == State::kAttemptWaiting && window_) ::PostMessageW(window_, attemptMessage_, 0, 0);
  state_ = State::kHostStarting;
}

// The agent's end: no attempt follows.
void HostLink::Reset() { link_.Reset(); }

bool HostLink::AcceptAttempt() {
  switch (state_) {
    case State::kUnlinked:
    case State::kAttemptWaiting: state_ = State::kAttemptWaiting; return false;
    case State::kHostStarting:
    case State::kHostReady: break;
  }
  return true;
}

bool HostLink::IsReady() {
  switch (state_) {
    case State::kUnlinked:
    case State::kAttemptWaiting: return false;
    case State::kHostReady: return true;
    case State::kHostStarting: break;
  }
  ComPtr<IBGC> link = link_;
  if (!link) return false;
  int state = 0;
  // A host that cannot answer is taken for one still starting.
  LOG_IF_FAILED(link->getState(&state));
  if (state == 0) {
    StartPolling();
    return false;
  }
  state_ = State::kHostReady;
  return true;
}

void HostLink::StartPolling() {
  if (!polling_ && window_) polling_ = ::SetTimer(window_, kPollTimer, kPollPeriodMs, nullptr) != 0;
}

void HostLink::StopPolling() {
  if (polling_) ::KillTimer(window_, kPollTimer);
  polling_ = false;
}

void HostLink::Log(const wchar_t* text, int tabId) {
  ComPtr<IBGC> link = link_;
  // The log is where failures go: a failure to write it has nowhere to go.
  if (link) (void)link->log(Bstr(text).Get(), tabId);
}

}  // namespace tessary::pagelet
