// Load and faults with real processes all the way: tab processes of the
// Internet Explorer stand-in, each with the page agent, and the host program
// serving them all. Small here; TESSARY_HEAVY_TESTS=1 runs 8 tabs of 1 000
// messages each.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ChildProcess.h"
#include "HostRegistration.h"
#include "StandInTest.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

// A page whose content script sends numbered messages when a button is clicked.
std::string SequencePage(int warmUp, int count) {
  return "<button id='warm' data-count='" + std::to_string(warmUp) + "'>warm</button><button id='run' data-count='" +
         std::to_string(count) + "'>run</button><div id='sequence-result'>none</div>";
}

SIZE_T HostWorkingSet() { return WorkingSetOf(L"TessaryBG.exe"); }

class ManyTabsTest : public AgentStandInTest {
 protected:
  static bool WaitForConnect(DWORD tab) {
    const std::string line = "BG Script: onConnect " + std::to_string(tab) + " ";
    return WaitUntil([&] { return CountLinesStartingWith(LogFilePath(), line) > 0; }, 20000);
  }
  // Clicks the button in every tab, then waits for every tab's outcome.
  static bool RunRound(BrowserSession& session, const std::vector<DWORD>& tabs, const std::wstring& round,
                       int count, DWORD timeoutMs) {
    for (DWORD tab : tabs) {
      if (!session.Click(tab, round)) return false;
    }
    const std::wstring done = round + L": ok " + std::to_wstring(count);
    bool all = true;
    for (DWORD tab : tabs) {
      const bool ok = WaitUntil([&] { return session.Text(tab, L"sequence-result").rfind(round + L":", 0) == 0; },
                                timeoutMs);
      const std::wstring result = session.Text(tab, L"sequence-result");
      EXPECT_EQ(result, done) << "tab " << tab;
      all = all && ok && result == done;
    }
    return all;
  }
};

TEST_F(ManyTabsTest, EveryTabsMessagesComeBackOnceAndInOrderAndTheHostDoesNotGrow) {
  const int tabCount = LoadSize(3, 8);
  const int messages = LoadSize(150, 1000);
  const std::wstring page = Page(L"sequence.html", SequencePage(50, messages));
  BrowserSession* session = Start(page);
  ASSERT_TRUE(session);
  std::vector<DWORD> tabs = session->Tabs();
  while (static_cast<int>(tabs.size()) < tabCount) {
    const DWORD tab = session->OpenTab(page);
    ASSERT_NE(tab, 0u) << Narrow(session->LastError());
    tabs.push_back(tab);
  }
  for (DWORD tab : tabs) ASSERT_TRUE(WaitForConnect(tab)) << "tab " << tab << " did not connect";
  ASSERT_TRUE(RunRound(*session, tabs, L"warm", 50, 60000));
  const SIZE_T before = HostWorkingSet();
  ASSERT_GT(before, 0u);
  ASSERT_TRUE(RunRound(*session, tabs, L"run", messages, 300000));
  const SIZE_T after = HostWorkingSet();
  EXPECT_LE(after, before + before / 10) << "working set " << before << " before, " << after << " after";
  std::printf("host working set: %zu KB before, %zu KB after %d tabs x %d messages\n", before / 1024, after / 1024,
              tabCount, messages);
}

// A tab's process dies while its page is connected: the host keeps serving
// the other tabs, and the background page hears that the dead tab is gone as
// soon as it tries to reach it.
TEST_F(ManyTabsTest, AKilledTabIsDisconnectedAndTheOthersAreStillServed) {
  BrowserSession* session = Start(Page(L"first.html", "<div id='request' data-message='echo|first'></div>"
                                                      "<div id='answer'>none</div>"));
  ASSERT_TRUE(session);
  const DWORD killed = session->Tabs().at(0);
  ASSERT_TRUE(WaitUntil([&] { return session->Text(killed, L"answer") == L"first"; }, 20000));
  const DWORD other = session->OpenTab(Page(L"second.html", "<div id='answer'>none</div>"));
  ASSERT_NE(other, 0u);
  ASSERT_TRUE(WaitForConnect(other));
  ChildProcess::Open(killed).Terminate();
  ASSERT_TRUE(WaitForProcessEnd(killed, 10000));

  ASSERT_TRUE(session->Navigate(other, Page(L"ask.html", "<div id='request' data-message='all|ping'></div>"
                                                         "<div id='answer'>none</div>")));
  EXPECT_TRUE(WaitUntil([&] { return session->Text(other, L"answer") == L"refused 1"; }, 20000))
      << Narrow(session->Text(other, L"answer"));
  const std::string gone = "BG Script: onDisconnect " + std::to_string(killed) + " same channel";
  EXPECT_TRUE(WaitUntil([&] { return HasLine(LogFilePath(), gone); }, 10000));
  // Heard once, however often the page tries the dead tab.
  ASSERT_TRUE(session->Navigate(other, Page(L"again.html", "<div id='request' data-message='all|ping\necho|still'>"
                                                           "</div><div id='answer'>none</div>")));
  EXPECT_TRUE(WaitUntil([&] { return session->Text(other, L"answer") == L"still"; }, 20000));
  EXPECT_EQ(CountLines(LogFilePath(), gone), 1);
  const std::string warning = "[WARNING]: Tab " + std::to_string(killed) + " can't be reached any more (";
  EXPECT_EQ(CountLinesStartingWith(LogFilePath(), warning), 1) << ReadFileBytes(LogFilePath());

  // Wine's COM never lets go of what a killed process held (Windows does, some
  // minutes later): the host and the shell's list would wait for the dead tab.
  ASSERT_TRUE(session->Stop());
  sessions_.clear();
  for (DWORD id : FindProcesses(L"shellwindows_server.exe")) ChildProcess::Open(id).Terminate();
  KillHost();
}

}  // namespace
}  // namespace tessary::test
