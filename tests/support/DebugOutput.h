#pragma once
// The system's debug output, read the way a debug monitor reads it: while a
// DebugOutput lives, what any process of the prefix writes with
// OutputDebugString is collected here.
#include <windows.h>

#include <memory>
#include <string>
#include <vector>

namespace tessary::test {

struct DebugLine {
  DWORD process = 0;
  std::string text;
};

class DebugOutput {
 public:
  DebugOutput();
  ~DebugOutput();
  DebugOutput(const DebugOutput&) = delete;
  DebugOutput& operator=(const DebugOutput&) = delete;

  // False when the monitor's objects could not be made (another monitor runs).
  bool IsListening() const;
  std::vector<DebugLine> Lines() const;
  // Waits until a line of that process contains the text.
  bool WaitFor(DWORD process, const std::string& text, DWORD timeoutMs) const;

 private:
  struct Monitor;
  std::unique_ptr<Monitor> monitor_;
};

}  // namespace tessary::test
