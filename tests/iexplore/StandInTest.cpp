#include "StandInTest.h"

#include "ChildProcess.h"
#include "HostRegistration.h"
#include "TestEnvironment.h"

namespace tessary::test {

std::wstring WindowClass(HWND window) {
  wchar_t name[256] = {};
  ::GetClassNameW(window, name, ARRAYSIZE(name));
  return name;
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

BrowserSession* StandInTest::Start(const std::wstring& address) {
  std::unique_ptr<BrowserSession> session = BrowserSession::Start(address);
  if (!session) {
    ADD_FAILURE() << "the stand-in did not start: " << Narrow(BrowserSession::LastStartError());
    return nullptr;
  }
  sessions_.push_back(std::move(session));
  return sessions_.back().get();
}

}  // namespace tessary::test
