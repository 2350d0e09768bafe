#pragma once
// Process-wide state of the host program, in one place. It is created on first
// use and lives until the process ends: nothing of it is torn down at exit, so no
// COM reference it holds is released after COM has been shut down.
#include <windows.h>

#include <string>

#include "Config.h"
#include "Directories.h"
#include "Log.h"

namespace tessary::host {

class AXClientSite;

enum class BackgroundState { kNotStarted = 0, kStarting = 2, kRunning = 3 };

struct HostProcess {
  Directories directories;
  Log log;
  Config config;

  BackgroundState background = BackgroundState::kNotStarted;
  // The background page's host window (class "AXBG"): every request from another
  // thread or process reaches the background page through it.
  HWND backgroundWindow = nullptr;
  AXClientSite* backgroundSite = nullptr;

  AXClientSite* popupSite = nullptr;
};

HostProcess& Host();

}  // namespace tessary::host
