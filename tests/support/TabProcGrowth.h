#pragma once
// Internet Explorer's TabProcGrowth, which the browser stand-in reads as
// Internet Explorer does when a frame starts: how many tab processes a frame
// runs (0: its tabs in its own process). Tests, benchmarks and the demo set it
// for the frames they start while the object lives.
#include <windows.h>

namespace tessary::test {

constexpr wchar_t kInternetExplorerMainKey[] = L"Software\\Microsoft\\Internet Explorer\\Main";
constexpr wchar_t kTabProcGrowthValue[] = L"TabProcGrowth";

class TabProcGrowth {
 public:
  explicit TabProcGrowth(DWORD processes);
  // The value goes: frames started afterwards run a tab per process.
  ~TabProcGrowth();
  TabProcGrowth(const TabProcGrowth&) = delete;
  TabProcGrowth& operator=(const TabProcGrowth&) = delete;

  bool IsSet() const { return set_; }

 private:
  bool set_;
};

}  // namespace tessary::test
