// The product's toolbar in the Internet Explorer stand-in, registered as an
// installer registers it: one band per tab, in the tab's process, its window
// in the frame's band area; its state read from the host program through COM
// when it is created and set by the background page's setIcon; its click
// asking the host for the popup, which opens under it; and a host that cannot
// be reached or fails, which the toolbar reports and survives.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include <algorithm>
#include <string>

#include "BackgroundClient.h"
#include "DebugOutput.h"
#include "DisplayScaling.h"
#include "HostRegistration.h"
#include "PopupDriver.h"
#include "RecordingBG.h"
#include "StandInTest.h"
#include "Tessary.h"
#include "TestEnvironment.h"
#include "ToolbarPictures.h"
#include "ToolbarWindow.h"

namespace tessary::test {
namespace {

using Microsoft::WRL::ComPtr;

constexpr int kSet = 0, kClear = 2;

class ToolbarInBrowserTest : public StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    ASSERT_TRUE(pictures_.IsLoaded());
    ASSERT_EQ(RegisterToolbar(), 0u);
  }
  void TearDown() override {
    StandInTest::TearDown();
    UnregisterToolbar();
    if (hostRegistered_) {
      EXPECT_TRUE(WaitForNoHost(15000)) << "the host program outlived the toolbars";
      UnregisterHost();
    }
  }
  // The host program's classes and interfaces, also for a recording host.
  void RegisterHostProgram() {
    ASSERT_EQ(RegisterHost(), 0u);
    hostRegistered_ = true;
  }

  HWND ToolbarOf(BrowserSession* session, DWORD tab) { return ProductToolbar(*session, tab); }
  int Drawn(BrowserSession* session, DWORD tab, HWND toolbar, int expected) {
    return DrawnPicture(*session, tab, toolbar, pictures_, expected);
  }

  ToolbarPictures pictures_{ToolbarLibrary()};
  bool hostRegistered_ = false;
};

TEST_F(ToolbarInBrowserTest, EveryTabHasItsOwnToolbarInTheBandAreaShownWhileTheTabIsInFront) {
  RegisterHostProgram();
  RecordingBG host;
  ASSERT_TRUE(host.IsServing());
  const auto [session, first, second] = StartTwoTabs();
  ASSERT_TRUE(session);
  const HWND toolbars[] = {ToolbarOf(session, first), ToolbarOf(session, second)};
  for (int i = 0; i < 2; ++i) {
    ASSERT_NE(toolbars[i], nullptr);
    EXPECT_EQ(WindowClass(toolbars[i]), kToolbarWindowClass);
    EXPECT_EQ(::GetParent(toolbars[i]), session->BandArea());
    EXPECT_EQ(::GetAncestor(toolbars[i], GA_ROOT), session->FrameWindow());
    EXPECT_EQ(::GetWindowThreadProcessId(toolbars[i], nullptr), session->TabThread(i == 0 ? first : second))
        << "the toolbar lives on its tab's thread";
  }
  EXPECT_TRUE(WaitUntil([&] { return host.Creations() == 2; }, 10000)) << "each toolbar asks the host at creation";
  const auto shown = [&](int front) {
    return WaitUntil([&] { return ::IsWindowVisible(toolbars[front]) && !::IsWindowVisible(toolbars[1 - front]); },
                     10000);
  };
  EXPECT_TRUE(shown(1));
  ASSERT_TRUE(session->SwitchTab(first));
  EXPECT_TRUE(shown(0));
  ASSERT_TRUE(session->SwitchTab(second));
  EXPECT_TRUE(shown(1));
}

// The background page's setIcon reaches the toolbars of every tab, each in a
// process of its own; the host answers getAuthState accordingly, and a toolbar
// made afterwards reads the state at its creation.
TEST_F(ToolbarInBrowserTest, SetIconTurnsEveryToolbarAndANewOneReadsTheStateAtItsCreation) {
  RegisterHostProgram();
  BackgroundClient background(1);
  ASSERT_TRUE(background.Connect());
  ComPtr<IBG> bg;
  ASSERT_EQ(::CoCreateInstance(CLSID_CBG, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&bg)), S_OK);
  const auto authState = [&bg] {
    int state = -1;
    return SUCCEEDED(bg->getAuthState(&state)) ? state : -1;
  };
  EXPECT_EQ(authState(), 0);

  BrowserSession* session = Start(Page(L"first.html", "<p>first</p>"));
  ASSERT_TRUE(session);
  std::vector<DWORD> tabs = {session->Tabs().at(0), session->OpenTab(Page(L"second.html", "<p>second</p>"))};
  ASSERT_NE(tabs[1], 0u);
  struct Case {
    int icon;
    int authState;
    int picture;
  };
  for (const Case& c : {Case{1, 1, kSet}, Case{0, 0, kClear}, Case{2, 1, kSet}}) {
    SCOPED_TRACE(c.icon);
    ASSERT_EQ(background.Ask(L"seticon|" + std::to_wstring(c.icon)), L"icon set");
    EXPECT_EQ(authState(), c.authState);
    for (DWORD tab : tabs) {
      const int drawn = Drawn(session, tab, ToolbarOf(session, tab), c.picture);
      EXPECT_EQ(drawn, c.picture) << "tab " << tab << ": " << ToolbarPictures::Name(drawn);
    }
    if (!c.authState) continue;
    const DWORD later = session->OpenTab(Page(L"later.html", "<p>later</p>"));
    ASSERT_NE(later, 0u);
    const int drawn = Drawn(session, later, ToolbarOf(session, later), c.picture);
    EXPECT_EQ(drawn, c.picture) << "a new toolbar: " << ToolbarPictures::Name(drawn);
    tabs.push_back(later);
  }
}

// A tab whose thread has stopped pumping holds neither the background page
// nor the other tabs' toolbars, and takes the state once it pumps again.
TEST_F(ToolbarInBrowserTest, SetIconDoesNotWaitForAHungTab) {
  RegisterHostProgram();
  BackgroundClient background(1);
  ASSERT_TRUE(background.Connect());
  const auto [session, hung, live] = StartTwoTabs();
  ASSERT_TRUE(session);
  const HWND toolbars[] = {ToolbarOf(session, hung), ToolbarOf(session, live)};
  ASSERT_TRUE(toolbars[0] && toolbars[1]);

  constexpr DWORD kHangMs = 8000;
  ASSERT_TRUE(session->HangTab(hung, kHangMs));
  const ULONGLONG start = ::GetTickCount64();
  ASSERT_EQ(background.Ask(L"seticon|1"), L"icon set");
  EXPECT_LT(::GetTickCount64() - start, 4000u) << "setIcon waited for the hung tab";
  EXPECT_EQ(Drawn(session, live, toolbars[1], kSet), kSet);
  EXPECT_EQ(CountLinesStartingWith(LogFilePath(), "[WARNING]: setIcon: the toolbar "), 1);
  EXPECT_EQ(Drawn(session, hung, toolbars[0], kSet), kSet) << "the hung tab's toolbar missed the state";
}

// The whole way from the button to the popup: the tab's toolbar asks the real
// host program, whose popup opens with its top-right corner at the toolbar's
// bottom-right, once however often the user clicks, and closes when the user
// clicks elsewhere.
TEST_F(ToolbarInBrowserTest, TheButtonOpensThePopupUnderTheToolbarOnceAndAClickElsewhereClosesIt) {
  RegisterHostProgram();
  OtherWindow elsewhere;
  const auto lines = [](const char* line) { return CountLines(LogFilePath(), line); };
  BrowserSession* session = Start(Page(L"page.html", "<p>page</p>"));
  ASSERT_TRUE(session);
  const HWND toolbar = ToolbarOf(session, session->Tabs().at(0));
  ASSERT_NE(toolbar, nullptr);
  // The popup opens once the background page runs; until the toolbar holds
  // the host's object, a click does nothing and the user clicks again.
  ASSERT_TRUE(WaitUntil([&] { return lines("BG Script: main called") == 1; }, 30000));
  for (int click = 0; click < 10 && lines("Creating popup thread...") == 0; ++click) {
    PressToolbarButton(toolbar);
    WaitUntil([&] { return lines("Creating popup thread...") == 1; }, 2000);
  }
  ASSERT_EQ(lines("Creating popup thread..."), 1);
  PressToolbarButton(toolbar);  // at once
  HWND popup = nullptr;
  ASSERT_TRUE(WaitUntil([&] { return (popup = FindPopupDialog()) && ::IsWindowVisible(popup); }, 30000));
  ::Sleep(600);
  PressToolbarButton(toolbar);  // while it is open
  RECT bar = {}, shown = {};
  ::GetWindowRect(toolbar, &bar);
  ::GetWindowRect(popup, &shown);
  EXPECT_EQ(shown.right, bar.right);
  EXPECT_EQ(shown.top, bar.bottom);
  EXPECT_EQ(lines("Creating popup thread..."), 1) << "a later click opened another popup";

  ASSERT_TRUE(elsewhere.Click());
  EXPECT_TRUE(WaitUntil([&] { return lines("popup thread ends...") == 1 && !FindPopupDialog(); }, 30000));
}

// Internet Explorer 11 and the host program both work in the display's
// physical pixels: at any scaling the popup's top-right corner is the
// toolbar's bottom-right, and the popup is as large as its page needs there.
TEST_F(ToolbarInBrowserTest, ThePopupOpensUnderTheToolbarAtEveryDisplayScaling) {
  RegisterHostProgram();
  ReadPhysicalPixels();
  OtherWindow elsewhere;
  for (const DWORD dpi : {96u, 144u}) {
    SCOPED_TRACE("LogPixels " + std::to_string(dpi));
    const DisplayScaling scaling(dpi);
    BrowserSession* session = Start(Page(L"page.html", "<p>page</p>"));
    ASSERT_TRUE(session);
    const HWND toolbar = ToolbarOf(session, session->Tabs().at(0));
    ASSERT_NE(toolbar, nullptr);
    const HWND popup = OpenPopupWith(toolbar, 10);
    ASSERT_TRUE(popup);
    RECT bar = {}, shown = {};
    ::GetWindowRect(toolbar, &bar);
    ::GetWindowRect(popup, &shown);
    const LONG width = ::MulDiv(536, dpi, 96);
    EXPECT_EQ(shown.left, std::max(0L, bar.right - width)) << "the corner, or the screen's edge";
    EXPECT_EQ(shown.top, bar.bottom);
    EXPECT_EQ(shown.right - shown.left, width);
    EXPECT_EQ(shown.bottom - shown.top, ::MulDiv(565, dpi, 96));
    ASSERT_TRUE(elsewhere.Click());
    EXPECT_TRUE(WaitUntil([] { return !FindPopupDialog(); }, 30000));
    StandInTest::TearDown();
    ASSERT_TRUE(WaitForNoHost(15000));
  }
}

TEST_F(ToolbarInBrowserTest, PressingTheButtonAsksForThePopupUnderTheToolbarsBottomRightCorner) {
  RegisterHostProgram();
  RecordingBG host;
  ASSERT_TRUE(host.IsServing());
  BrowserSession* session = Start(Page(L"page.html", "<p>page</p>"));
  ASSERT_TRUE(session);
  const HWND toolbar = ToolbarOf(session, session->Tabs().at(0));
  ASSERT_NE(toolbar, nullptr);
  ASSERT_TRUE(WaitUntil([&] { return host.Creations() == 1; }, 10000));

  PressToolbarButton(toolbar);
  ASSERT_TRUE(WaitUntil([&] { return host.Popups().size() == 1; }, 10000));
  RECT rect = {};
  ::GetWindowRect(toolbar, &rect);
  EXPECT_EQ(host.Popups()[0].x, rect.right);
  EXPECT_EQ(host.Popups()[0].y, rect.bottom);

  // Only the button's own command with no notification code is a click.
  struct Case {
    WPARAM wParam;
    LRESULT result;
    size_t popups;
  };
  const Case cases[] = {{MAKEWPARAM(13, 1), -1, 1}, {MAKEWPARAM(14, 0), -1, 1}, {MAKEWPARAM(13, 0), 0, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.wParam);
    DWORD_PTR result = 0;
    ASSERT_TRUE(::SendMessageTimeoutW(toolbar, WM_COMMAND, c.wParam, 0, SMTO_NORMAL, 10000, &result));
    EXPECT_EQ(static_cast<LRESULT>(result), c.result);
    EXPECT_EQ(host.Popups().size(), c.popups);
  }
}

TEST_F(ToolbarInBrowserTest, AHostThatCannotBeReachedOrFailsIsReportedAndTheToolbarStaysUsable) {
  DebugOutput debug;
  ASSERT_TRUE(debug.IsListening());
  // No host program is registered: the toolbar cannot create the host's object.
  BrowserSession* session = Start(Page(L"page.html", "<p>page</p>"));
  ASSERT_TRUE(session);
  const DWORD tab = session->Tabs().at(0);
  const HWND toolbar = ToolbarOf(session, tab);
  ASSERT_NE(toolbar, nullptr);
  EXPECT_TRUE(debug.WaitFor(session->TabProcess(tab), "Cannot create sever object", 10000));
  PressToolbarButton(toolbar);
  EXPECT_EQ(Drawn(session, tab, toolbar, kClear), kClear) << "the toolbar still draws";

  // A host whose getAuthState fails: the state stays, the click still works.
  RegisterHostProgram();
  RecordingBG host;
  ASSERT_TRUE(host.IsServing());
  host.AnswerAuthState(1, E_FAIL);
  const DWORD second = session->OpenTab(Page(L"second.html", "<p>second</p>"));
  ASSERT_NE(second, 0u);
  const HWND failing = ToolbarOf(session, second);
  ASSERT_NE(failing, nullptr);
  EXPECT_TRUE(debug.WaitFor(session->TabProcess(second), "Can't call server object method", 10000));
  EXPECT_EQ(Drawn(session, second, failing, kClear), kClear);
  PressToolbarButton(failing);
  EXPECT_TRUE(WaitUntil([&] { return host.Popups().size() == 1; }, 10000));
}

}  // namespace
}  // namespace tessary::test
