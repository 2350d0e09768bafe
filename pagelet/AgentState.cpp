#include "AgentState.h"

namespace tessary::pagelet {
namespace {

using State = AgentState::State;
using Event = AgentState::Event;

struct Transition {
  State from;
  Event event;
  State to;
};

// Every transition of the agent; an event missing for a state is not taken there.
constexpr Transition kTransitions[] = {
    // Navigating and being hooked early both leave the hook to DocumentComplete.
    {State::kIdle, Event::kNavigate, State::kNavigating},
    {State::kNavigating, Event::kNavigate, State::kNavigating},
    {State::kStarting, Event::kNavigate, State::kStartingWhileNavigating},
    {State::kStartingWhileNavigating, Event::kNavigate, State::kStartingWhileNavigating},
    {State::kIdle, Event::kHookEarly, State::kNavigating},
    {State::kStarting, Event::kHookEarly, State::kStartingWhileNavigating},
    // A context may be starting while the page settles: it goes on.
    {State::kIdle, Event::kSettle, State::kIdle},
    {State::kNavigating, Event::kSettle, State::kIdle},
    {State::kStarting, Event::kSettle, State::kStarting},
    {State::kStartingWhileNavigating, Event::kSettle, State::kStarting},
    // One context starts at a time; a navigation may begin meanwhile.
    {State::kIdle, Event::kStartContext, State::kStarting},
    {State::kNavigating, Event::kStartContext, State::kStartingWhileNavigating},
    {State::kStarting, Event::kContextStarted, State::kIdle},
    {State::kStartingWhileNavigating, Event::kContextStarted, State::kNavigating},
    {State::kIdle, Event::kDie, State::kDying},
    {State::kNavigating, Event::kDie, State::kDying},
    {State::kStarting, Event::kDie, State::kDying},
    {State::kStartingWhileNavigating, Event::kDie, State::kDying},
};

const Transition* Find(State from, Event event) {
  for (const Transition& transition : kTransitions) {
    if (transition.from == from && transition.event == event) return &transition;
  }
  return nullptr;
}

}  // namespace

bool AgentState::Allows(Event event) const { return Find(state_, event) != nullptr; }

void AgentState::Enter(Event event) {
  if (const Transition* transition = Find(state_, event)) state_ = transition->to;
}

}  // namespace tessary::pagelet
