#pragma once
// Process-wide state of the updater, in one place. The update thread and the
// main thread both write the state; only the main thread reads it, and only
// to tell whether a check was started in this process.
#include <atomic>

namespace tessary::host {

enum class UpdaterState {
  kNotStarted = 0,
  kStarted = 1,
  kDownloadDeclined = 3,
  kFileVerified = 4,
  kNothingNewer = 5,
  kDownloadFailed = 6,
};

struct UpdaterProcess {
  std::atomic<UpdaterState> state{UpdaterState::kNotStarted};
};

UpdaterProcess& Updates();

}  // namespace tessary::host
