// The popup in a real host process, opened through IBG showPopup by this test
// program, which plays the toolbar band (and, through a tab channel, tells the
// test extension's background page what the next popup is to do). The popup
// shows on the virtual display; the test closes it as a user would, by
// clicking another window.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include <algorithm>
#include <memory>
#include <optional>
#include <string>

#include "BackgroundClient.h"
#include "HostRegistration.h"
#include "MessageBoxes.h"
#include "Picture.h"
#include "PopupDriver.h"
#include "RegisteredHostEnvironment.h"
#include "Registry.h"
#include "Tessary.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

using Microsoft::WRL::ComPtr;

const auto* const kRegisteredHost = ::testing::AddGlobalTestEnvironment(new RegisteredHostEnvironment);

constexpr int kWidth = 536;
constexpr int kHeight = 565;
// Shown and hidden top-level windows are slow on a virtual display without a
// window manager: generous waits.
constexpr DWORD kWaitMs = 30000;

int Lines(const std::string& line) { return CountLines(LogFilePath(), line); }

std::wstring ClipboardText() {
  std::wstring text;
  if (!::OpenClipboard(nullptr)) return L"<clipboard not open>";
  if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
    if (const auto* chars = static_cast<const wchar_t*>(::GlobalLock(data))) {
      text = chars;
      ::GlobalUnlock(data);
    }
  }
  ::CloseClipboard();
  return text;
}

class PopupTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { elsewhere_ = new OtherWindow(); }
  static void TearDownTestSuite() {
    delete elsewhere_;
    elsewhere_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(WaitForNoHost(15000)) << "a host from an earlier test is still running";
    tab_ = std::make_unique<BackgroundClient>(1);
    ASSERT_TRUE(tab_->Connect());
    ASSERT_EQ(::CoCreateInstance(CLSID_CBG, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&bg_)), S_OK);
    ASSERT_TRUE(elsewhere_->Click());
  }
  void TearDown() override {
    if (FindPopupDialog()) Close();
    bg_.Reset();
    tab_.reset();
    WaitForNoHost(15000);
  }

  void Plan(const std::wstring& plan) { ASSERT_EQ(tab_->Ask(L"popup|" + plan), L"plan " + plan); }

  // The toolbar's request; requests less than 500 ms apart are refused, so a
  // test waits out that spacing before each.
  HRESULT Request(int x, int y) {
    const ULONGLONG next = lastRequest_ + 600;
    if (::GetTickCount64() < next) ::Sleep(static_cast<DWORD>(next - ::GetTickCount64()));
    lastRequest_ = ::GetTickCount64();
    return bg_->showPopup(x, y);
  }

  // The popup's dialog once it is shown, and active as a shown popup is;
  // null when that does not happen in time. The last popup's thread may
  // still be ending, which refuses the request: the user clicks again.
  HWND Open(int x = 900, int y = 100) {
    const int threads = Lines("Creating popup thread...");
    for (int attempt = 0; attempt < 10 && Lines("Creating popup thread...") == threads; ++attempt) {
      if (Request(x, y) != S_OK) return nullptr;
    }
    return WaitShown();
  }
  static HWND WaitShown() {
    HWND dialog = nullptr;
    const auto shown = [&] {
      return (dialog = FindPopupDialog()) && ::IsWindowVisible(dialog) && ::GetForegroundWindow() == dialog;
    };
    return WaitUntil(shown, kWaitMs) ? dialog : nullptr;
  }
  // The popup thread's end, whatever ended it.
  static bool WaitThreadEnds(int endsBefore) {
    return WaitUntil([&] { return Lines("popup thread ends...") > endsBefore; }, kWaitMs);
  }
  bool Close() {
    const int ends = Lines("popup thread ends...");
    return elsewhere_->Click() && WaitThreadEnds(ends) && WaitUntil([] { return !FindPopupDialog(); }, kWaitMs);
  }

  static OtherWindow* elsewhere_;
  std::unique_ptr<BackgroundClient> tab_;
  ComPtr<IBG> bg_;
  ULONGLONG lastRequest_ = 0;
};

OtherWindow* PopupTest::elsewhere_ = nullptr;

TEST_F(PopupTest, OpensReachesTheBackgroundAndClosesWhenTheUserClicksElsewhere) {
  const HWND dialog = Open();
  ASSERT_TRUE(dialog);
  EXPECT_EQ(Lines("Creating popup thread..."), 1);
  EXPECT_EQ(Lines("Popup: starting initialization..."), 1);
  // main called a background function, which ran on the background page.
  EXPECT_EQ(Lines("BG Script: popup asked for its plan"), 1);
  EXPECT_EQ(Lines("Popup Script: plan [] from a background page with 1 main call(s)"), 1);

  const std::wstring shots = ExtensionDirectory() + L"..\\..\\screenshots\\";
  ::CreateDirectoryW(shots.c_str(), nullptr);
  RECT rect = {};
  ::GetWindowRect(dialog, &rect);
  // The popup's thread draws the page a moment after showing it.
  Picture shot;
  WaitUntil([&] { return (shot = Picture::OfScreen(rect)).InkPixels() > 300; }, kWaitMs, 100);
  EXPECT_TRUE(shot.SavePng(shots + L"popup.png"));
  EXPECT_GT(shot.InkPixels(), 300u) << "the popup shows no page text";

  ASSERT_TRUE(Close());
  EXPECT_EQ(Lines("AXWndProc: WM_DESTROY"), 1);
  EXPECT_EQ(Lines("Cleaning ax, isBG=0"), 1);
  EXPECT_EQ(Lines("popupClosed called"), 0);
  ASSERT_TRUE(Open());
  EXPECT_EQ(Lines("Creating popup thread..."), 2);
}

TEST_F(PopupTest, PutsItsTopRightCornerAtThePointWithinTheScreen) {
  const int screenWidth = ::GetSystemMetrics(SM_CXVIRTUALSCREEN);
  RECT work = {};
  ::SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
  struct Case {
    int x, y;
    int left, top;
  } const cases[] = {
      {900, 100, 900 - kWidth, 100},                                 // where asked
      {kWidth - 1, 100, 0, 100},                                     // left edge kept on the screen
      {screenWidth + 40, 100, screenWidth - kWidth, 100},            // right of the screen
      {900, work.bottom - 100, 900 - kWidth, work.bottom - kHeight},  // lifted off the bottom
      {900, -30, 900 - kWidth, 0},                                   // above the screen
      {-10, -10, 0, 0},
  };
  for (const Case& c : cases) {
    const HWND dialog = Open(c.x, c.y);
    ASSERT_TRUE(dialog) << c.x << "," << c.y;
    RECT rect = {};
    ::GetWindowRect(dialog, &rect);
    EXPECT_EQ(rect.left, c.left) << c.x << "," << c.y;
    EXPECT_EQ(rect.top, c.top) << c.x << "," << c.y;
    EXPECT_EQ(rect.right - rect.left, kWidth);
    EXPECT_EQ(rect.bottom - rect.top, kHeight);
    ASSERT_TRUE(Close()) << c.x << "," << c.y;
  }
}

TEST_F(PopupTest, RequestsWhileAPopupExistsDoNothing) {
  ASSERT_EQ(Request(900, 100), S_OK);
  EXPECT_EQ(bg_->showPopup(100, 100), S_OK);  // at once, while it starts
  ASSERT_TRUE(WaitShown());
  EXPECT_EQ(Request(700, 300), S_OK);  // while it is shown
  ::Sleep(1000);
  EXPECT_EQ(Lines("Creating popup thread..."), 1);
  RECT rect = {};
  ::GetWindowRect(FindPopupDialog(), &rect);
  EXPECT_EQ(rect.left, 900 - kWidth);
}

TEST_F(PopupTest, ALinkInTheShownPopupIsCancelled) {
  Plan(L"link");
  ASSERT_TRUE(Open());
  ASSERT_TRUE(WaitUntil([] { return Lines("Popup Script: still on Test extension: popup") == 1; }, kWaitMs));
  const std::string help = Narrow(FileUrl(ExtensionDirectory() + L"help.html"));
  EXPECT_EQ(Lines("Popup: BeforeNavigate2 fired, url=" + help), 1);
  EXPECT_EQ(Lines("Popup: cancelling navigation"), 1);
  EXPECT_EQ(Lines("Popup: starting initialization..."), 1);
  EXPECT_TRUE(::IsWindowVisible(FindPopupDialog()));
}

TEST_F(PopupTest, TextCopiedInThePopupOutlivesIt) {
  ASSERT_TRUE(::OpenClipboard(elsewhere_->Window()) && ::EmptyClipboard() && ::CloseClipboard());
  Plan(L"type:copied \u00e9 in the popup;copy");
  ASSERT_TRUE(Open());
  // Read only once the popup is gone: reading earlier would have the text
  // rendered onto the clipboard by the popup's thread itself.
  ASSERT_TRUE(WaitUntil([] { return Lines("Popup Script: copied true") == 1; }, kWaitMs));
  ASSERT_TRUE(Close());
  EXPECT_EQ(ClipboardText(), L"copied \u00e9 in the popup");
}

TEST_F(PopupTest, KeepsItsStateStringAcrossOpenings) {
  Plan(L"state:kept \u00e9");
  ASSERT_TRUE(Open());
  ASSERT_TRUE(WaitUntil([] { return Lines("Popup Script: state set to [kept \xe9]") == 1; }, kWaitMs));
  EXPECT_EQ(Lines("Popup Script: state was []"), 1);
  ASSERT_TRUE(Close());
  Plan(L"");
  ASSERT_TRUE(Open());
  EXPECT_EQ(Lines("Popup Script: state was [kept \xe9]"), 1);
}

TEST_F(PopupTest, ReleaseBGRunsTheBackgroundsPopupClosed) {
  Plan(L"release");
  ASSERT_TRUE(Open());
  ASSERT_TRUE(WaitUntil([] { return Lines("Popup Script: released") == 1; }, kWaitMs));
  EXPECT_EQ(Lines("BG Script: popupClosed called"), 1);
  EXPECT_EQ(Lines("AXWndProcBG(): popupClosed() called successfully"), 1);
}

// The page's alert and confirm are the popup's own dialogs: it stays open
// while they are answered, and closes, and opens again, as before.
TEST_F(PopupTest, ItsPagesDialogsKeepItOpenAndALaterOneOpens) {
  struct Case {
    const wchar_t* plan;
    int button;
    const char* logged;
  } const cases[] = {
      {L"alert:Saved", IDOK, "Popup Script: alert closed"},
      {L"confirm:Delete it?", IDOK, "Popup Script: confirmed true"},
      {L"confirm:Delete it?", IDCANCEL, "Popup Script: confirmed false"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.plan));
    Plan(c.plan);
    ASSERT_EQ(Request(900, 100), S_OK);
    const MessageBoxWindow box = WaitForMessageBox(L"Message from webpage", kWaitMs);
    ASSERT_TRUE(box.window);
    const HWND dialog = FindPopupDialog();
    EXPECT_EQ(box.owner, dialog);
    EXPECT_EQ(box.text, std::wstring(c.plan).substr(std::wstring(c.plan).find(L':') + 1));
    const int answered = Lines(c.logged);
    ASSERT_TRUE(PressButton(box.window, c.button));
    ASSERT_TRUE(WaitUntil([&] { return Lines(c.logged) == answered + 1; }, kWaitMs));
    EXPECT_TRUE(::IsWindowVisible(dialog)) << "the popup closed under its own dialog";
    ASSERT_TRUE(Close());
  }
  Plan(L"");
  EXPECT_TRUE(Open());
}

// An error of the popup's scripts is a line in the log, and the popup stays.
TEST_F(PopupTest, AScriptErrorIsLoggedAndThePopupStays) {
  Plan(L"raise:thrown in the popup");
  const HWND dialog = Open();
  ASSERT_TRUE(dialog);
  const std::string popup = ReadFileBytes(ExtensionDirectory() + L"popup.html");
  const size_t at = LineOf(popup, "throw new Error(argument)");
  ASSERT_NE(at, 0u);
  const std::string line =
      "[ERROR]: Popup Script error in popup.html, line " + std::to_string(at) + ": thrown in the popup";
  EXPECT_TRUE(WaitUntil([&] { return Lines(line) == 1; }, kWaitMs)) << line;
  EXPECT_TRUE(::IsWindowVisible(dialog));
}

// The mended faults: a popup that cannot run ends its thread, and the next
// request opens a popup again.
TEST_F(PopupTest, AFailingMainEndsThePopupAndALaterOneOpens) {
  Plan(L"fail");
  ASSERT_EQ(Request(900, 100), S_OK);
  ASSERT_TRUE(WaitThreadEnds(0));
  EXPECT_EQ(Lines("[ERROR]: Error while executing popup entry point"), 1);
  EXPECT_EQ(Lines("Cleaning ax, isBG=0"), 1);
  EXPECT_FALSE(FindPopupDialog());
  Plan(L"");
  EXPECT_TRUE(Open());
}

TEST_F(PopupTest, APageWithoutScriptEndsThePopupAndALaterOneOpens) {
  // Internet Explorer's "Active scripting" setting of the local machine zone.
  const std::wstring zone = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\0";
  ASSERT_TRUE(CreateKey(HKEY_CURRENT_USER, zone));
  const DWORD disabled = 3;
  ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, zone.c_str(), L"1400", REG_DWORD, &disabled, sizeof(disabled)), 0);
  const HRESULT requested = Request(900, 100);
  const bool ended = WaitThreadEnds(0);
  ::RegDeleteKeyValueW(HKEY_CURRENT_USER, zone.c_str(), L"1400");
  ASSERT_EQ(requested, S_OK);
  ASSERT_TRUE(ended);
  EXPECT_EQ(Lines("[ERROR]: GetScript() failed"), 1);
  EXPECT_FALSE(FindPopupDialog());
  EXPECT_TRUE(Open());
}

TEST_F(PopupTest, AFailureInThePopupThreadLeavesNoPopupBehind) {
  // The control cannot be created, so neither can the popup's dialog.
  const std::wstring server = L"CLSID\\{8856F961-340A-11D0-A96B-00C04FD705A2}\\InprocServer32";
  const std::optional<std::wstring> library = ReadString(HKEY_CLASSES_ROOT, server);
  ASSERT_TRUE(library);
  const auto setServer = [&server](const std::wstring& path) {
    return ::RegSetKeyValueW(HKEY_CLASSES_ROOT, server.c_str(), nullptr, REG_SZ, path.c_str(),
                             static_cast<DWORD>((path.size() + 1) * sizeof(wchar_t)));
  };
  ASSERT_EQ(setServer(L"C:\\nowhere\\webbrowser.dll"), 0);
  const HRESULT requested = Request(900, 100);
  const bool failed = WaitUntil(
      [] { return CountLinesStartingWith(LogFilePath(), "[ERROR]: Can't create popup dialog, code ") == 1; }, kWaitMs,
      10);
  setServer(*library);
  ASSERT_EQ(requested, S_OK);
  ASSERT_TRUE(failed);
  // The thread failed quickly: a request within 500 ms of the last accepted
  // one is still refused, although no popup exists.
  if (::GetTickCount64() - lastRequest_ < 400) {
    EXPECT_EQ(bg_->showPopup(900, 100), S_OK);
    EXPECT_EQ(Lines("Creating popup thread..."), 1);
  }
  EXPECT_TRUE(Open());
  EXPECT_EQ(Lines("Creating popup thread..."), 2);
}

// A popup page that is not there: the browser shows its own error page
// elsewhere, which nothing would ever show. The popup ends, and the next
// request starts one again.
TEST(PopupWithoutItsPage, EndsAndALaterRequestStartsAnother) {
  ASSERT_TRUE(WaitForNoHost(15000));
  TemporaryExtension extension(L"nopopup");
  ASSERT_TRUE(extension.Remove(L"popup.html"));
  ASSERT_EQ(extension.Register(), 0u);
  {
    BackgroundClient tab(1);
    ASSERT_TRUE(tab.Connect());
    ComPtr<IBG> bg;
    ASSERT_EQ(::CoCreateInstance(CLSID_CBG, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&bg)), S_OK);
    const std::string error = "[ERROR]: Popup page did not load, the browser shows res://ieframe.dll/dnserrordiagoff.htm#" +
                              Narrow(extension.Folder()) + "popup.html";
    for (int opening = 1; opening <= 2; ++opening) {
      // Requests are accepted 500 ms apart at the most.
      if (opening > 1) ::Sleep(600);
      ASSERT_EQ(bg->showPopup(900, 100), S_OK);
      ASSERT_TRUE(WaitUntil([&] { return Lines("popup thread ends...") == opening; }, kWaitMs)) << opening;
      EXPECT_EQ(Lines("Creating popup thread..."), opening);
      EXPECT_EQ(Lines(error), opening);
      EXPECT_EQ(Lines("Popup: starting initialization..."), 0);
      EXPECT_FALSE(FindPopupDialog());
    }
  }
  WaitForNoHost(15000);
}

// The background page without popupClosed: releaseBG changes nothing.
TEST(PopupWithoutPopupClosed, ReleaseBGHasNoEffect) {
  ASSERT_TRUE(WaitForNoHost(15000));
  TemporaryExtension extension(L"noclosed");
  std::string page = ReadFileBytes(ExtensionDirectory() + L"background.html");
  const size_t function = page.find("function popupClosed(");
  ASSERT_NE(function, std::string::npos);
  page.replace(function, 21, "function notPopupClosed(");
  ASSERT_TRUE(extension.Write(L"background.html", page));
  ASSERT_EQ(extension.Register(), 0u);
  {
    BackgroundClient tab(1);
    ASSERT_TRUE(tab.Connect());
    ASSERT_EQ(tab.Ask(L"popup|release"), L"plan release");
    ComPtr<IBG> bg;
    ASSERT_EQ(::CoCreateInstance(CLSID_CBG, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&bg)), S_OK);
    ASSERT_EQ(bg->showPopup(900, 100), S_OK);
    ASSERT_TRUE(WaitUntil([] { return Lines("Popup Script: released") == 1; }, kWaitMs));
    EXPECT_EQ(Lines("AXWndProcBG(): popupClosed() called successfully"), 0);
    EXPECT_EQ(Lines("BG Script: popupClosed called"), 0);
  }
  WaitForNoHost(15000);
}

// Before the background page runs, requests are refused without counting as
// the last accepted one: the first request once it runs opens the popup. This
// background page gets its main only a while after it loaded.
TEST(PopupBeforeTheBackground, RequestsAreRefusedAndNotCounted) {
  ASSERT_TRUE(WaitForNoHost(15000));
  TemporaryExtension extension(L"latemain");
  ASSERT_TRUE(extension.Write(L"background.html",
                              "<script>setTimeout(function () {\n"
                              "  document.open();\n"
                              "  document.write('<script>function main(e) {} function popupPlan() { return \"\"; }<\\/script>');\n"
                              "  document.close();\n"
                              "}, 1500);</script>"));
  ASSERT_EQ(extension.Register(), 0u);
  {
    ComPtr<IBG> bg;
    ASSERT_EQ(::CoCreateInstance(CLSID_CBG, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&bg)), S_OK);
    // Requests every 20 ms until one opens the popup. Had a refused request
    // counted as accepted, the next one, too soon after it, would be refused too.
    int refused = 0;
    ULONGLONG lastRefused = 0;
    ULONGLONG accepted = 0;
    for (const ULONGLONG deadline = ::GetTickCount64() + kWaitMs; !accepted && ::GetTickCount64() < deadline;) {
      const ULONGLONG now = ::GetTickCount64();
      ASSERT_EQ(bg->showPopup(900, 100), S_OK);
      if (Lines("Creating popup thread...") > 0) {
        accepted = now;
      } else {
        ++refused;
        lastRefused = now;
        ::Sleep(20);
      }
    }
    ASSERT_TRUE(accepted);
    ASSERT_GT(refused, 0);
    EXPECT_LT(accepted - lastRefused, 500u);
    EXPECT_TRUE(WaitUntil([] { return Lines("Popup: starting initialization...") == 1; }, kWaitMs));
  }
  WaitForNoHost(15000);
}

}  // namespace
}  // namespace tessary::test
