// The product's page agent (pagelet.dll from the staged extension) in the
// stand-in, registered as an installer registers it: every tab loads it into
// its own process, it starts the host program, and once the stand-in has
// closed and released it the host program ends too.
#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "HostRegistration.h"
#include "StandInTest.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

using ProductAgentTest = AgentStandInTest;

TEST_F(ProductAgentTest, EveryTabLoadsThePageAgentWhichStartsTheHostProgram) {
  BrowserSession* session = Start(Page(L"first.html", "<p>first</p>"));
  ASSERT_TRUE(session);
  ASSERT_NE(session->OpenTab(Page(L"second.html", "<p>second</p>")), 0u);
  for (DWORD tab : session->Tabs()) {
    const std::vector<AddonTiming> timings = session->Timings(tab);
    const AddonTiming* agent = FindTiming(timings, kAgentClsid);
    ASSERT_NE(agent, nullptr) << "tab " << tab;
    EXPECT_EQ(agent->loadResult, S_OK);
  }
  WaitUntil([] { return !FindProcesses(L"TessaryBG.exe").empty(); }, 15000, 100);
  EXPECT_EQ(FindProcesses(L"TessaryBG.exe").size(), 1u) << "the agents link to one host program";
}

}  // namespace
}  // namespace tessary::test
