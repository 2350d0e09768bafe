#pragma once
// The display's scaling as Wine takes it: LogPixels, read by each process
// when it starts.
#include <windows.h>

#include <optional>

namespace tessary::test {

// Sets the dots per inch for the processes started from now on; the earlier
// setting is back when this goes.
class DisplayScaling {
 public:
  explicit DisplayScaling(DWORD dpi);
  ~DisplayScaling();
  DisplayScaling(const DisplayScaling&) = delete;
  DisplayScaling& operator=(const DisplayScaling&) = delete;

 private:
  const std::optional<DWORD> before_;
};

// This thread reads windows in physical pixels, whatever its process's
// scaling (per-monitor aware, where the system has it).
void ReadPhysicalPixels();

}  // namespace tessary::test
