// The product's toolbar in the Internet Explorer stand-in, registered as an
// installer registers it: one band per tab, in the tab's process, its window
// in the frame's band area; its state read from the host program through COM
// when it is created; its click asking the host for the popup; and a host that
// cannot be reached or fails, which the toolbar reports and survives.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include "Bstr.h"
#include "DebugOutput.h"
#include "HostRegistration.h"
#include "RecordingBG.h"
#include "RecordingChannel.h"
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
  // A left click in the middle of the button, which sits at the right edge.
  static void Press(HWND toolbar) {
    RECT client = {};
    ::GetClientRect(toolbar, &client);
    const LPARAM point = MAKELPARAM(client.right - 16, client.bottom / 2);
    DWORD_PTR ignored = 0;
    ::SendMessageTimeoutW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, point, SMTO_NORMAL, 10000, &ignored);
    ::SendMessageTimeoutW(toolbar, WM_LBUTTONUP, 0, point, SMTO_NORMAL, 10000, &ignored);
  }

  ToolbarPictures pictures_{ToolbarLibrary()};
  bool hostRegistered_ = false;
};

TEST_F(ToolbarInBrowserTest, EveryTabHasItsOwnToolbarInTheBandAreaShownWhileTheTabIsInFront) {
  RegisterHostProgram();
  RecordingBG host;
  ASSERT_TRUE(host.IsServing());
  BrowserSession* session = Start(Page(L"first.html", "<p>first</p>"));
  ASSERT_TRUE(session);
  const DWORD first = session->Tabs().at(0);
  const DWORD second = session->OpenTab(Page(L"second.html", "<p>second</p>"));
  ASSERT_NE(second, 0u);
  const HWND toolbars[] = {ToolbarOf(session, first), ToolbarOf(session, second)};
  for (int i = 0; i < 2; ++i) {
    ASSERT_NE(toolbars[i], nullptr);
    EXPECT_EQ(WindowClass(toolbars[i]), kToolbarWindowClass);
    EXPECT_EQ(::GetParent(toolbars[i]), session->BandArea());
    EXPECT_EQ(::GetAncestor(toolbars[i], GA_ROOT), session->FrameWindow());
    DWORD owner = 0;
    ::GetWindowThreadProcessId(toolbars[i], &owner);
    EXPECT_EQ(owner, i == 0 ? first : second) << "the toolbar lives in its tab's process";
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

TEST_F(ToolbarInBrowserTest, ANewToolbarDrawsTheStateThatTheHostProgramHoldsAtItsCreation) {
  RegisterHostProgram();
  // The background page sets the host's state, as the extension does once the
  // user has signed in.
  ComPtr<IBGC> background;
  ASSERT_EQ(::CoCreateInstance(CLSID_CBGC, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&background)), S_OK);
  ASSERT_TRUE(WaitUntil([&] { int state = 0; return SUCCEEDED(background->getState(&state)) && state == 1; }, 20000));
  RecordingChannel channel;
  ASSERT_EQ(background->connect(1, channel.Dispatch(), Bstr(L"about:blank").Get()), S_OK);

  BrowserSession* session = Start(Page(L"first.html", "<p>first</p>"));
  ASSERT_TRUE(session);
  const DWORD first = session->Tabs().at(0);
  struct Case {
    int hostState;
    int picture;
  };
  for (const Case& c : {Case{1, kSet}, Case{0, kClear}, Case{5, kSet}}) {
    SCOPED_TRACE(c.hostState);
    const std::wstring command = L"seticon|" + std::to_wstring(c.hostState);
    ASSERT_EQ(background->dispatchMsg(Bstr(command).Get(), 1), S_OK);
    ASSERT_EQ(channel.Last(), L"icon set");
    const DWORD tab = session->OpenTab(Page(L"tab.html", "<p>tab</p>"));
    ASSERT_NE(tab, 0u);
    const HWND toolbar = ToolbarOf(session, tab);
    ASSERT_NE(toolbar, nullptr);
    const int drawn = Drawn(session, tab, toolbar, c.picture);
    EXPECT_EQ(drawn, c.picture) << ToolbarPictures::Name(drawn);
  }
  // The first tab's toolbar was made before any of it and follows what setIcon
  // sent to every toolbar since: the last state, 5.
  EXPECT_EQ(Drawn(session, first, ToolbarOf(session, first), kSet), kSet);
  background->disconnect(1, channel.Dispatch());
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

  Press(toolbar);
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
  EXPECT_TRUE(debug.WaitFor(tab, "Cannot create sever object", 10000));
  Press(toolbar);
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
  EXPECT_TRUE(debug.WaitFor(second, "Can't call server object method", 10000));
  EXPECT_EQ(Drawn(session, second, failing, kClear), kClear);
  Press(failing);
  EXPECT_TRUE(WaitUntil([&] { return host.Popups().size() == 1; }, 10000));
}

}  // namespace
}  // namespace tessary::test
