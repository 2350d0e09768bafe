// Load and faults with real processes all the way: tab processes of the
// Internet Explorer stand-in, each with the page agent, and the host program
// serving them all. Small here; TESSARY_HEAVY_TESTS=1 runs 8 tabs of 1 000
// messages each.
#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "BackgroundClient.h"
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
  const DWORD killedProcess = session->TabProcess(killed);
  ChildProcess::Open(killedProcess).Terminate();
  ASSERT_TRUE(WaitForProcessEnd(killedProcess, 10000));

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

// Tabs of both kinds opened, navigated and closed in random order over three
// shared tab processes (TabProcGrowth 3), as a user of Internet Explorer does:
// whatever the order, every connected page disconnects once when its page or
// tab goes, no page outlives its tab, and every live tab still converses. A
// failing run prints its seed: TESSARY_FUZZ_SEED=<seed> replays it.
TEST_F(ManyTabsTest, TwelveTabsOfBothKindsOverThreeProcessesInRandomOrder) {
  TESSARY_SKIP_WITHOUT_32_BIT();
  // Both kinds of the agent, as an installer registers them.
  struct Agent32 {
    Agent32() { EXPECT_EQ(RegisterAgent(AddonBits::k32), 0u); }
    ~Agent32() { UnregisterAgent(AddonBits::k32); }
  } agent32;
  TabProcGrowth growth(3);
  const unsigned seed = FuzzSeed(static_cast<unsigned>(std::time(nullptr)));
  SCOPED_TRACE("replay with TESSARY_FUZZ_SEED=" + std::to_string(seed));
  std::mt19937 random(seed);
  const auto pick = [&random](int below) { return std::uniform_int_distribution<int>(0, below - 1)(random); };
  int pages = 0;
  const auto page = [&] {
    const std::wstring name = L"page" + std::to_wstring(++pages);
    return std::pair{Page(name + L".html", AskingPage("echo|" + Narrow(name))), name};
  };
  const auto [first, firstAnswer] = page();
  BrowserSession* session = Start(first);
  ASSERT_TRUE(session);
  std::vector<DWORD> live = {session->Tabs().at(0)};
  std::set<DWORD> processes = {session->TabProcess(live[0])};
  // The second tab is 32-bit, so that both kinds share the three processes.
  for (int opened = 1; opened < 12;) {
    const int action = pick(live.size() > 1 ? 4 : 2);
    if (action <= 1) {
      const TabBits bits = opened == 1 || pick(2) ? TabBits::k32 : TabBits::k64;
      const auto [address, answer] = page();
      const DWORD tab = session->OpenTab(address, 30000, bits);
      ASSERT_NE(tab, 0u) << Narrow(session->LastError());
      ASSERT_TRUE(session->WaitForText(tab, L"answer", answer)) << "tab " << tab;
      live.push_back(tab);
      processes.insert(session->TabProcess(tab));
      ++opened;
    } else if (action == 2) {
      const DWORD tab = live[pick(static_cast<int>(live.size()))];
      const auto [address, answer] = page();
      ASSERT_TRUE(session->Navigate(tab, address)) << Narrow(session->LastError());
      ASSERT_TRUE(session->WaitForText(tab, L"answer", answer)) << "tab " << tab;
    } else {
      const auto closed = live.begin() + pick(static_cast<int>(live.size()));
      ASSERT_TRUE(session->CloseTab(*closed)) << Narrow(session->LastError());
      live.erase(closed);
    }
    // Three, and one more while a kind has no process of its own among them.
    EXPECT_LE(session->TabProcesses().size(), 4u);
  }
  EXPECT_GE(processes.size(), 3u) << "the tabs used three processes";
  std::printf("mixed tabs: seed %u, 12 opened, %zu open at the end, %d pages, %zu tab processes used\n", seed,
              live.size(), pages, processes.size());

  // Every live tab answers; the background page is connected to them alone.
  for (DWORD tab : live) {
    const auto [address, answer] = page();
    ASSERT_TRUE(session->Navigate(tab, address)) << Narrow(session->LastError());
    EXPECT_TRUE(session->WaitForText(tab, L"answer", answer)) << "tab " << tab;
  }
  BackgroundClient background(1);
  ASSERT_TRUE(background.Connect());
  std::vector<DWORD> connected = live;
  connected.push_back(background.Id());
  EXPECT_EQ(background.Ask(L"channels"), ChannelsAnswer(connected));
  const int connects = CountLinesStartingWith(LogFilePath(), "BG Script: onConnect ");
  const int disconnects = CountLinesStartingWith(LogFilePath(), "BG Script: onDisconnect ");
  EXPECT_EQ(connects, disconnects + static_cast<int>(connected.size()));
  EXPECT_EQ(ReadFileBytes(LogFilePath()).find("other channel"), std::string::npos) << "a page disconnected another's";
  ASSERT_TRUE(session->Stop()) << "a tab process did not end by itself";
  sessions_.clear();
}

}  // namespace
}  // namespace tessary::test
