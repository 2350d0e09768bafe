#pragma once
// Process-wide state of the host program, in one place. It is created on first
// use and lives until the process ends: nothing of it is torn down at exit, so no
// COM reference it holds is released after COM has been shut down.
//
// Who may touch what. The main thread (the one that serves COM and owns the
// background page) writes everything here. The worker threads (popup, save,
// update, first run) read only:
//   - directories and config: filled once before the class objects are
//     registered, never written afterwards;
//   - log: locked inside;
//   - background and backgroundWindow: atomics, which the main thread changes
//     when the background page starts or reloads;
//   - popup: as its record says.
// What else a worker needs it is given when it starts (a copy, in its job).
// The pages' client sites are the pages' own (PageSites.h).
#include <windows.h>

#include <atomic>
#include <string>

#include "Config.h"
#include "Directories.h"
#include "Log.h"
#include "UniqueHandle.h"

namespace tessary::host {

enum class BackgroundState { kNotStarted = 0, kStarting = 2, kRunning = 3 };
enum class PopupState { kNone = 0, kStarting = 2, kShown = 3, kClosing = 4 };

// The popup: opened by the main thread, run by a thread of its own. At most one
// popup thread runs at a time: the main thread starts one only while the state
// is kNone, and once started only the thread's end brings it back to kNone.
struct PopupRecord {
  std::atomic<PopupState> state{PopupState::kNone};
  // Main thread only: the last popup thread, and when its request was accepted.
  UniqueHandle thread;
  DWORD lastRequest = 0;
};

struct HostProcess {
  Directories directories;
  Log log;
  Config config;

  std::atomic<BackgroundState> background{BackgroundState::kNotStarted};
  // The background page's host window (class "AXBG"): every request from another
  // thread or process reaches the background page through it.
  std::atomic<HWND> backgroundWindow{nullptr};

  PopupRecord popup;
};

HostProcess& Host();

}  // namespace tessary::host
