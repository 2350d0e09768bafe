// Several tabs in one process, as Internet Explorer runs them by TabProcGrowth:
// all in one tab process (1, the Remote Desktop default) or in the frame's
// own process (0). Each tab has its own thread, agent, identifier, channel and
// toolbar: the background page tells the tabs apart, a reply reaches only its
// tab, closing one tab leaves the others working, and every tab's toolbar
// follows setIcon and opens the popup under itself.
#include <gtest/gtest.h>

#include <set>

#include "BackgroundClient.h"
#include "HostRegistration.h"
#include "PopupDriver.h"
#include "StandInTest.h"
#include "TestEnvironment.h"
#include "ToolbarPictures.h"

namespace tessary::test {
namespace {

constexpr int kSet = 0, kClear = 2;

class SharedTabProcessTest : public AgentStandInTest {
 protected:
  void SetUp() override {
    AgentStandInTest::SetUp();
    ASSERT_EQ(RegisterToolbar(), 0u);
  }
  void TearDown() override {
    AgentStandInTest::TearDown();
    UnregisterToolbar();
  }

  static std::string Line(const char* what, DWORD tab) {
    return std::string("BG Script: ") + what + std::to_string(tab);
  }

  void ThreeTabsShareOneProcess(DWORD growth);
  void EveryToolbarShows(BrowserSession& session, const std::vector<DWORD>& tabs, BackgroundClient& background);
  void EveryToolbarOpensThePopupUnderItself(BrowserSession& session, const std::vector<DWORD>& tabs);

  ToolbarPictures pictures_{ToolbarLibrary()};
};

void SharedTabProcessTest::ThreeTabsShareOneProcess(DWORD growth) {
  TabProcGrowth setting(growth);
  const std::wstring names[] = {L"one", L"two", L"three"};
  std::vector<std::wstring> pages;
  for (const std::wstring& name : names) pages.push_back(Page(name + L".html", AskingPage("echo|" + Narrow(name))));
  BrowserSession* session = Start(pages[0]);
  ASSERT_TRUE(session);
  std::vector<DWORD> tabs = {session->Tabs().at(0), session->OpenTab(pages[1]), session->OpenTab(pages[2])};
  ASSERT_TRUE(tabs[1] && tabs[2]) << Narrow(session->LastError());
  const DWORD process = session->TabProcess(tabs[0]);
  std::set<DWORD> threads;
  for (DWORD tab : tabs) {
    EXPECT_EQ(session->TabProcess(tab), process) << "tab " << tab;
    threads.insert(session->TabThread(tab));
  }
  EXPECT_EQ(threads.size(), 3u) << "a thread per tab";
  EXPECT_EQ(process == session->FrameProcessId(), growth == 0) << "the frame's own process only for 0";

  // Every page has its scripts, connects as its own tab, and its answer alone.
  for (size_t i = 0; i < tabs.size(); ++i) {
    const DWORD tab = tabs[i];
    EXPECT_TRUE(session->WaitForText(tab, L"answer", names[i]))
        << "tab " << tab << ": " << Narrow(session->Text(tab, L"answer"));
    EXPECT_EQ(session->Text(tab, L"scripts"), L"mustache.js;content.js;");
    EXPECT_EQ(CountLines(LogFilePath(), Line("onConnect ", tab) + " " + Narrow(pages[i])), 1);
  }
  // Brought to the front, each tab asks which is active: the background page
  // names the tab that asked, and answers it on its own channel.
  for (DWORD tab : tabs) {
    ASSERT_TRUE(session->SwitchTab(tab));
    const std::wstring id = std::to_wstring(tab);
    ASSERT_TRUE(session->Navigate(tab, Page(L"ask" + id + L".html", AskingPage("activetab"))));
    EXPECT_TRUE(session->WaitForText(tab, L"answer", L"active " + id + L" asked by " + id))
        << Narrow(session->Text(tab, L"answer"));
  }
  BackgroundClient background(1);
  ASSERT_TRUE(background.Connect());
  EXPECT_EQ(background.Ask(L"activetab"), L"active " + std::to_wstring(tabs[2]) + L" asked by 1");

  // The middle tab goes: its channel alone disconnects, once, and the others
  // (their pages, their toolbars) go on.
  const std::string gone = Line("onDisconnect ", tabs[1]) + " same channel";
  const int before = CountLines(LogFilePath(), gone);
  ASSERT_TRUE(session->CloseTab(tabs[1])) << Narrow(session->LastError());
  EXPECT_TRUE(WaitUntil([&] { return CountLines(LogFilePath(), gone) == before + 1; }, 20000));
  tabs.erase(tabs.begin() + 1);
  for (DWORD tab : tabs) {
    const std::wstring again = L"again " + std::to_wstring(tab);
    ASSERT_TRUE(session->Navigate(tab, Page(again + L".html", AskingPage("echo|" + Narrow(again)))));
    EXPECT_TRUE(session->WaitForText(tab, L"answer", again)) << Narrow(session->Text(tab, L"answer"));
  }
  EXPECT_EQ(background.Ask(L"channels"), ChannelsAnswer({1, tabs[0], tabs[1]}));
  EXPECT_EQ(CountLines(LogFilePath(), gone), before + 1);
  EveryToolbarShows(*session, tabs, background);
  EveryToolbarOpensThePopupUnderItself(*session, tabs);
}

// setIcon reaches the toolbar of every tab of the process, each drawing on its
// own thread with the process's GDI+, also after another tab's toolbar went.
void SharedTabProcessTest::EveryToolbarShows(BrowserSession& session, const std::vector<DWORD>& tabs,
                                             BackgroundClient& background) {
  ASSERT_TRUE(pictures_.IsLoaded());
  for (const auto& [icon, picture] : {std::pair{1, kSet}, std::pair{0, kClear}}) {
    ASSERT_EQ(background.Ask(L"seticon|" + std::to_wstring(icon)), L"icon set");
    for (DWORD tab : tabs) {
      const HWND toolbar = ProductToolbar(session, tab);
      ASSERT_NE(toolbar, nullptr);
      EXPECT_EQ(DrawnPicture(session, tab, toolbar, pictures_, picture), picture) << "tab " << tab;
    }
  }
}

// The front tab's button opens the popup with its top-right corner at that
// toolbar's bottom-right; a click elsewhere closes it.
void SharedTabProcessTest::EveryToolbarOpensThePopupUnderItself(BrowserSession& session,
                                                                const std::vector<DWORD>& tabs) {
  OtherWindow elsewhere;
  int opened = 0;
  for (DWORD tab : tabs) {
    ASSERT_TRUE(session.SwitchTab(tab));
    const HWND toolbar = ProductToolbar(session, tab);
    ASSERT_TRUE(WaitUntil([&] { return ::IsWindowVisible(toolbar) != FALSE; }, 10000));
    const HWND popup = OpenPopupWith(toolbar);
    ASSERT_NE(popup, nullptr) << "tab " << tab;
    ++opened;
    RECT bar = {}, shown = {};
    ::GetWindowRect(toolbar, &bar);
    ::GetWindowRect(popup, &shown);
    EXPECT_EQ(shown.right, bar.right);
    EXPECT_EQ(shown.top, bar.bottom);
    ASSERT_TRUE(elsewhere.Click());
    ASSERT_TRUE(WaitUntil([&] { return CountLines(LogFilePath(), "popup thread ends...") == opened; }, 30000));
    ASSERT_TRUE(WaitUntil([&] { return !FindPopupDialog(); }, 10000));
  }
}

TEST_F(SharedTabProcessTest, ThreeTabsInOneTabProcessAreThreeTabsToTheBackgroundPage) { ThreeTabsShareOneProcess(1); }

TEST_F(SharedTabProcessTest, ThreeTabsInTheFramesOwnProcessAreThreeTabsToTheBackgroundPage) {
  ThreeTabsShareOneProcess(0);
}

}  // namespace
}  // namespace tessary::test
