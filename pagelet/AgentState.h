#pragma once
// The page agent's life as one state: which of the browser's and its own
// events it takes in each, and where each leads.
//
// Two things make up the state. A top-level navigation under way means the
// top window is hooked when its document completes, not when a download
// begins (that early hook is for a document already loading when the agent
// comes, and is made once). A script context being started means no second
// one may start: starting it calls the host, which lets other messages in,
// and those may ask again. The destructor's state refuses everything.
namespace tessary::pagelet {

class AgentState {
 public:
  enum class State {
    kIdle,                     // no navigation under way, no context starting
    kNavigating,               // a top-level navigation under way, or the top window hooked early
    kStarting,                 // a context starting, no navigation under way
    kStartingWhileNavigating,  // both
    kDying,                    // the agent's destructor runs
  };

  enum class Event {
    kNavigate,        // BeforeNavigate2 of the top document
    kHookEarly,       // the top window hooked as a download begins
    kSettle,          // the top document completed or unloaded, or a frame's completion started its scripts
    kStartContext,    // a script context starts
    kContextStarted,  // ... and has started, or failed to
    kDie,
  };

  // Whether the current state takes the event.
  bool Allows(Event event) const;
  // Moves on by the event; one the state does not take leaves it as it is.
  void Enter(Event event);
  bool IsDying() const { return state_ == State::kDying; }

 private:
  State state_ = State::kIdle;
};

}  // namespace tessary::pagelet
