// The page agent in the Internet Explorer stand-in, with real processes all the
// way: tab processes of the stand-in, the host program started by COM and its
// background page. A page asks, the content script passes it on, the
// background page answers through the tab channel.
#include <gtest/gtest.h>

#include "ChildProcess.h"
#include "HostRegistration.h"
#include "StandInTest.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

class ConversationTest : public AgentStandInTest {
 protected:
  static bool WaitForLogLine(const std::string& line, DWORD timeoutMs = 20000) {
    return WaitUntil([&] { return HasLine(LogFilePath(), line); }, timeoutMs);
  }
};

TEST_F(ConversationTest, AStringTravelsToTheBackgroundPageIntoStorageAndBack) {
  const std::wstring stored = L"Z\u00f6e \u4e2d\u6587 \U0001F600 <&>";
  BrowserSession* session =
      Start(Page(L"ask.html", AskingPage(u8"set|greeting|Z\u00f6e \u4e2d\u6587 \U0001F600 <&>\nget|greeting")));
  ASSERT_TRUE(session);
  const DWORD tab = session->Tabs().at(0);
  EXPECT_TRUE(session->WaitForText(tab, L"answer", L"string:" + stored)) << Narrow(session->Text(tab, L"answer"));
  EXPECT_EQ(session->Text(tab, L"scripts"), L"mustache.js;content.js;");
  EXPECT_EQ(session->Text(tab, L"active"), L"yes");

  // An empty string arrives as an empty string.
  ASSERT_TRUE(session->Navigate(tab, Page(L"empty.html", AskingPage("echo|"))));
  EXPECT_TRUE(session->WaitForText(tab, L"answer", L""));
}

TEST_F(ConversationTest, TabsInTwoProcessesConnectAsTwoTabsAndDisconnectWhenTheyGo) {
  BrowserSession* session = Start(Page(L"one.html", AskingPage("echo|one")));
  ASSERT_TRUE(session);
  const DWORD first = session->Tabs().at(0);
  const DWORD second = session->OpenTab(Page(L"two.html", AskingPage("echo|two")));
  ASSERT_NE(second, 0u);
  ASSERT_NE(first, second);
  EXPECT_TRUE(session->WaitForText(first, L"answer", L"one"));
  EXPECT_TRUE(session->WaitForText(second, L"answer", L"two"));
  const std::string firstId = std::to_string(first);
  const std::string secondId = std::to_string(second);
  EXPECT_TRUE(WaitForLogLine("BG Script: onConnect " + firstId + " " + Narrow(Page(L"one.html", AskingPage("echo|one")))));
  EXPECT_TRUE(WaitForLogLine("BG Script: onConnect " + secondId + " " + Narrow(Page(L"two.html", AskingPage("echo|two")))));
  // The tab in front is the active one; a page loaded behind it is not.
  EXPECT_EQ(session->Text(second, L"active"), L"yes");
  ASSERT_TRUE(session->Navigate(first, Page(L"behind.html", AskingPage("echo|behind"))));
  EXPECT_TRUE(session->WaitForText(first, L"answer", L"behind"));
  EXPECT_EQ(session->Text(first, L"active"), L"no");
  // Navigating away ended the first page's connection, with its own channel.
  EXPECT_TRUE(WaitForLogLine("BG Script: onDisconnect " + firstId + " same channel"));

  ASSERT_TRUE(session->CloseTab(second));
  EXPECT_TRUE(WaitForLogLine("BG Script: onDisconnect " + secondId + " same channel"));
}

TEST_F(ConversationTest, AKilledHostLeavesTheTabsWorking) {
  BrowserSession* session = Start(Page(L"before.html", AskingPage("echo|before")));
  ASSERT_TRUE(session);
  const DWORD tab = session->Tabs().at(0);
  ASSERT_TRUE(session->WaitForText(tab, L"answer", L"before"));
  KillHost();
  ASSERT_TRUE(session->Navigate(tab, Page(L"after.html", AskingPage("echo|after"))));
  EXPECT_TRUE(session->WaitForText(tab, L"scripts", L"mustache.js;content.js;"));
  EXPECT_EQ(session->Text(tab, L"answer"), L"none");
  ASSERT_NE(session->OpenTab(Page(L"more.html", "<p id='text'>still browsing</p>")), 0u);
  EXPECT_TRUE(session->IsRunning());
}

TEST_F(ConversationTest, WithoutItsRegistrationTheBrowserLoadsNoAgent) {
  ASSERT_EQ(UnregisterAgent(), 0u);
  BrowserSession* session = Start(Page(L"plain.html", AskingPage("echo|x")));
  ASSERT_TRUE(session);
  const DWORD tab = session->Tabs().at(0);
  ::Sleep(3000);
  EXPECT_EQ(session->Text(tab, L"scripts"), L"");
  EXPECT_EQ(session->Text(tab, L"answer"), L"none");
  EXPECT_TRUE(FindProcesses(L"TessaryBG.exe").empty());
}

}  // namespace
}  // namespace tessary::test
