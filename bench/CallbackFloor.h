#pragma once
// The floor of a tab's round trip to the background page: from this process,
// IBGC::dispatchMsg on echo_server.exe, which calls the tab channel's `send`
// with the same string before it returns.
#include <windows.h>

namespace tessary::bench {

// Registers echo_server.exe (the one beside this program) under its class, or
// removes it.
bool RegisterEchoServer();
void UnregisterEchoServer();

// Microseconds per round trip of `count` messages ("echo|" and `size`
// characters), after one that is not counted; -1 when the echo server cannot
// be reached.
double CallbackFloorMicroseconds(int size, int count);

}  // namespace tessary::bench
