// The 32-bit add-ons in 32-bit tabs of the Internet Explorer stand-in, as
// Internet Explorer runs its tabs on 64-bit Windows, talking to the 64-bit
// host program: a tab loads its add-ons from its own registry view, its
// content scripts converse with the background page, its toolbar follows the
// host's state.
#include <gtest/gtest.h>

#include "BackgroundClient.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "StandInTest.h"
#include "Tessary.h"
#include "TestEnvironment.h"
#include "ToolbarPictures.h"

namespace tessary::test {
namespace {

constexpr AddonBits kBoth[] = {AddonBits::k64, AddonBits::k32};
// The toolbar's pictures (ToolbarPictures::kResources): signed in, signed out.
constexpr int kSet = 0, kClear = 2;

bool Is32BitProcess(DWORD id) {
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, id));
  BOOL wow64 = FALSE;
  return process && ::IsWow64Process(process.Get(), &wow64) && wow64;
}

class Wow64TabTest : public StandInTest {
 protected:
  void SetUp() override {
    TESSARY_SKIP_WITHOUT_32_BIT();
    StandInTest::SetUp();
    ASSERT_EQ(RegisterHost(), 0u);
  }
  void TearDown() override {
    if (IsSkipped()) return;
    StandInTest::TearDown();
    EXPECT_TRUE(WaitForNoHost(15000)) << "the host program outlived the add-ons";
    for (AddonBits bits : kBoth) {
      UnregisterAgent(bits);
      UnregisterToolbar(bits);
    }
    UnregisterHost();
  }
  // Both add-ons of both kinds, as an installer registers them.
  static void RegisterAddons() {
    for (AddonBits bits : kBoth) {
      ASSERT_EQ(RegisterAgent(bits), 0u);
      ASSERT_EQ(RegisterToolbar(bits), 0u);
    }
  }
};

TEST_F(Wow64TabTest, ATabLoadsTheAddOnsRegisteredForItsOwnKindOfProcess) {
  struct Case {
    const char* registered;
    bool in64;
    bool in32;
  };
  const Case cases[] = {{"64-bit only", true, false}, {"32-bit only", false, true}, {"both", true, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.registered);
    for (AddonBits bits : kBoth) {
      if (bits == AddonBits::k64 ? c.in64 : c.in32) {
        ASSERT_EQ(RegisterAgent(bits), 0u);
        ASSERT_EQ(RegisterToolbar(bits), 0u);
      } else {
        UnregisterAgent(bits);
        UnregisterToolbar(bits);
      }
    }
    BrowserSession* session = Start(Page(L"page.html", "<p>page</p>"));
    ASSERT_TRUE(session);
    const DWORD tab64 = session->Tabs().at(0);
    const DWORD tab32 = session->OpenTab(Page(L"page32.html", "<p>page</p>"), 30000, TabBits::k32);
    ASSERT_NE(tab32, 0u) << Narrow(session->LastError());
    EXPECT_FALSE(Is32BitProcess(session->TabProcess(tab64)));
    EXPECT_TRUE(Is32BitProcess(session->TabProcess(tab32)));
    for (const auto& [tab, expected] : {std::pair{tab64, c.in64}, std::pair{tab32, c.in32}}) {
      const AddonTiming* agent = FindTiming(session->Timings(tab), kAgentClsid);
      EXPECT_EQ(agent != nullptr, expected) << "tab " << tab;
      if (agent) {
        EXPECT_EQ(agent->loadResult, S_OK);
      }
      EXPECT_EQ(ProductToolbar(*session, tab) != nullptr, expected) << "tab " << tab;
    }
    EXPECT_TRUE(session->Stop());
    sessions_.clear();
    EXPECT_TRUE(WaitForNoHost(15000));
  }
}

TEST_F(Wow64TabTest, ContentScriptsOfA32BitTabConverseWithThe64BitHost) {
  RegisterAddons();
  const std::wstring page = Page(L"ask.html", AskingPage(u8"set|name|Z\u00f6e \u4e2d\U0001F600\nget|name"));
  BrowserSession* session = Start(page, TabBits::k32);
  ASSERT_TRUE(session);
  const DWORD tab = session->Tabs().at(0);
  ASSERT_TRUE(Is32BitProcess(session->TabProcess(tab)));
  EXPECT_TRUE(session->WaitForText(tab, L"answer", L"string:Z\u00f6e \u4e2d\U0001F600"))
      << Narrow(session->Text(tab, L"answer"));
  EXPECT_EQ(session->Text(tab, L"scripts"), L"mustache.js;content.js;");
  EXPECT_EQ(session->Text(tab, L"active"), L"yes");
  const std::string id = std::to_string(tab);
  EXPECT_TRUE(WaitUntil([&] { return HasLine(LogFilePath(), "BG Script: onConnect " + id + " " + Narrow(page)); },
                        20000));

  // A 64-bit tab of the same frame reaches the same host; the host stays 64-bit.
  const DWORD tab64 = session->OpenTab(Page(L"ask64.html", AskingPage("get|name")), 30000, TabBits::k64);
  ASSERT_NE(tab64, 0u);
  EXPECT_TRUE(session->WaitForText(tab64, L"answer", L"string:Z\u00f6e \u4e2d\U0001F600"));
  const std::vector<DWORD> hosts = FindProcesses(L"TessaryBG.exe");
  ASSERT_EQ(hosts.size(), 1u);
  EXPECT_FALSE(Is32BitProcess(hosts[0]));

  // The 32-bit tab's page goes: its connection ends with its own channel.
  ASSERT_TRUE(session->CloseTab(tab));
  EXPECT_TRUE(WaitUntil([&] { return HasLine(LogFilePath(), "BG Script: onDisconnect " + id + " same channel"); },
                        20000));
}

TEST_F(Wow64TabTest, TheToolbarOfA32BitTabShowsTheHostsStateInThe64BitFrame) {
  RegisterAddons();
  const ToolbarPictures pictures(ToolbarLibrary(AddonBits::k32));
  ASSERT_TRUE(pictures.IsLoaded());
  // The background page sets the state through setIcon, as the extension does
  // once the user has signed in.
  BackgroundClient background(1);
  ASSERT_TRUE(background.Connect());

  BrowserSession* session = Start(Page(L"first.html", "<p>first</p>"), TabBits::k32);
  ASSERT_TRUE(session);
  const DWORD first = session->Tabs().at(0);
  const HWND firstToolbar = ProductToolbar(*session, first);
  ASSERT_NE(firstToolbar, nullptr);
  EXPECT_EQ(::GetParent(firstToolbar), session->BandArea()) << "the band of a 32-bit tab sits in the 64-bit frame";
  EXPECT_EQ(::GetWindowThreadProcessId(firstToolbar, nullptr), session->TabThread(first));
  EXPECT_EQ(DrawnPicture(*session, first, firstToolbar, pictures, kClear), kClear);

  struct Case {
    int icon;
    int picture;
  };
  for (const Case& c : {Case{1, kSet}, Case{0, kClear}, Case{7, kSet}}) {
    SCOPED_TRACE(c.icon);
    ASSERT_EQ(background.Ask(L"seticon|" + std::to_wstring(c.icon)), L"icon set");
    // setIcon reaches the 32-bit toolbar already there; a new one asks the
    // host at its creation.
    EXPECT_EQ(DrawnPicture(*session, first, firstToolbar, pictures, c.picture), c.picture);
    const DWORD tab = session->OpenTab(Page(L"tab.html", "<p>tab</p>"));
    ASSERT_NE(tab, 0u);
    ASSERT_TRUE(Is32BitProcess(session->TabProcess(tab)));
    const HWND toolbar = ProductToolbar(*session, tab);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_EQ(DrawnPicture(*session, tab, toolbar, pictures, c.picture), c.picture);
  }
}

}  // namespace
}  // namespace tessary::test
