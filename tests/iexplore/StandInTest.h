#pragma once
// What the tests of the Internet Explorer stand-in share: pages of their own,
// sessions that are stopped at the end of each test, and the check that no
// process of the stand-in is left running.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "BrowserSession.h"
#include "TabProcGrowth.h"
#include "ToolbarPictures.h"

namespace tessary::test {

class StandInTest : public ::testing::Test {
 protected:
  void SetUp() override;
  // Stops the sessions, and fails the test if a process of the stand-in (or
  // of the shell's list) is left afterwards.
  void TearDown() override;

  // Writes a page into the test's folder; returns its path.
  std::wstring Page(const std::wstring& name, const std::string& html);
  // A session showing the address, stopped at the end of the test; null
  // (with the reason recorded as a failure) when it did not start.
  BrowserSession* Start(const std::wstring& address, TabBits bits = TabBits::k64);

  // A session with two tabs, each with a page of its own: "first.html" with
  // the session, "second.html" in a new tab. session is null (with the reason
  // recorded) when either does not open.
  struct TwoTabs {
    BrowserSession* session = nullptr;
    DWORD first = 0;
    DWORD second = 0;
  };
  TwoTabs StartTwoTabs();

  std::wstring folder_;
  std::vector<std::unique_ptr<BrowserSession>> sessions_;
};

// With the host program and the product's page agent registered, so that the
// stand-in loads the agent into every tab; at the end no host may be left.
class AgentStandInTest : public StandInTest {
 protected:
  void SetUp() override;
  void TearDown() override;
};

// The test extension's background page's answer to "channels" while these
// tabs are connected (in any order).
std::wstring ChannelsAnswer(std::vector<DWORD> tabs);

// The class name of a window.
std::wstring WindowClass(HWND window);

// The tab's toolbar window when the tab has one toolbar, the product's; null
// otherwise.
HWND ProductToolbar(BrowserSession& session, DWORD tab);
// Which of the pictures a tab's toolbar draws where its button sits
// (client.right - 36), as the tab's process sees it drawn; waits a while for
// the expected one.
int DrawnPicture(BrowserSession& session, DWORD tab, HWND toolbar, const ToolbarPictures& pictures, int expected);

}  // namespace tessary::test
