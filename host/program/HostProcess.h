#pragma once
// Process-wide state of the host program, in one place. It is created on first
// use and lives until the process ends: nothing of it is torn down at exit, so no
// COM reference it holds is released after COM has been shut down.
#include "Config.h"
#include "Directories.h"
#include "Log.h"

namespace tessary::host {

enum class BackgroundState { kNotStarted = 0, kStarting = 2, kRunning = 3 };

struct HostProcess {
  Directories directories;
  Log log;
  Config config;
  BackgroundState background = BackgroundState::kNotStarted;
};

HostProcess& Host();

}  // namespace tessary::host
