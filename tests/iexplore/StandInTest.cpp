#include "StandInTest.h"

#include <algorithm>

#include "ChildProcess.h"
#include "HostRegistration.h"
#include "TestEnvironment.h"

namespace tessary::test {

std::wstring ChannelsAnswer(std::vector<DWORD> tabs) {
  std::sort(tabs.begin(), tabs.end());
  std::wstring answer = L"channels ";
  for (size_t i = 0; i < tabs.size(); ++i) answer += (i ? L"," : L"") + std::to_wstring(tabs[i]);
  return answer;
}

std::wstring WindowClass(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, ARRAYSIZE(name));
  return name;
}

HWND ProductToolbar(BrowserSession& session, DWORD tab) {
  const auto toolbars = session.Toolbars(tab);
  return toolbars.size() == 1 && toolbars[0].first == kToolbarClsid ? toolbars[0].second : nullptr;
}

int DrawnPicture(BrowserSession& session, DWORD tab, HWND toolbar, const ToolbarPictures& pictures, int expected) {
  int found = ToolbarPictures::kNone;
  WaitUntil([&] { return (found = pictures.DrawnBy(session, tab, toolbar)) == expected; }, 10000, 100);
  return found;
}

void StandInTest::SetUp() { folder_ = MakeTempFolder(L"pages"); }

void StandInTest::TearDown() {
  for (auto& session : sessions_) EXPECT_TRUE(session->Stop()) << Narrow(session->LastError());
  sessions_.clear();
  EXPECT_TRUE(WaitForNoProcess(L"IEXPLORE.EXE", 10000)) << "a process of the stand-in is still running";
  // The shell's list ends with its last client, once no tab holds it.
  EXPECT_TRUE(WaitForNoProcess(L"shellwindows_server.exe", 10000)) << "the shell's list is still running";
}

std::wstring StandInTest::Page(const std::wstring& name, const std::string& html) {
  return WriteTestPage(folder_, name, html);
}

void AgentStandInTest::SetUp() {
  StandInTest::SetUp();
  ASSERT_EQ(RegisterHost(), 0u);
  ASSERT_EQ(RegisterAgent(), 0u);
}

void AgentStandInTest::TearDown() {
  StandInTest::TearDown();
  EXPECT_TRUE(WaitForNoHost(15000)) << "the host program outlived the page agents";
  UnregisterAgent();
  UnregisterHost();
}

BrowserSession* StandInTest::Start(const std::wstring& address, TabBits bits) {
  std::unique_ptr<BrowserSession> session = BrowserSession::Start(address, 30000, bits);
  if (!session) {
    ADD_FAILURE() << "the stand-in did not start: " << Narrow(BrowserSession::LastStartError());
    return nullptr;
  }
  sessions_.push_back(std::move(session));
  return sessions_.back().get();
}

StandInTest::TwoTabs StandInTest::StartTwoTabs() {
  TwoTabs tabs;
  BrowserSession* session = Start(Page(L"first.html", "<p>first</p>"));
  if (!session) return tabs;
  tabs.first = session->Tabs().at(0);
  tabs.second = session->OpenTab(Page(L"second.html", "<p>second</p>"));
  if (tabs.second == 0) {
    ADD_FAILURE() << "the second tab did not open: " << Narrow(session->LastError());
    return tabs;
  }
  tabs.session = session;
  return tabs;
}

}  // namespace tessary::test
