// The background page's tabs and windows methods in a real host program,
// against frames and tabs of the Internet Explorer stand-in in their own
// processes, the shell's list of windows (with its folder window), and
// windows of this test's own where the toolbar band is not at hand.
#include <windows.h>
#include <exdisp.h>

#include <gtest/gtest.h>

#include <map>
#include <utility>
#include <vector>

#include <wrl/client.h>

#include "BackgroundClient.h"
#include "Bstr.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "StandInTest.h"
#include "TestEnvironment.h"
#include "ToolbarWindow.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {
namespace {

int CountLines(const std::string& line) { return test::CountLines(LogFilePath(), line); }

// Windows of this test's own, which record the toolbar state messages they
// receive. The host's messages reach them while the test waits in its call to
// the host (the apartment's wait lets sent messages in).
class WindowTree {
 public:
  struct Spec {
    const wchar_t* className;
    int parent;  // index of an earlier window; -1 for a top-level window
    bool visible;
  };
  using Received = std::vector<std::pair<WPARAM, LPARAM>>;

  explicit WindowTree(const std::vector<Spec>& specs) {
    for (const Spec& spec : specs) {
      WNDCLASSW windowClass = {};
      windowClass.lpfnWndProc = &WindowProc;
      windowClass.lpszClassName = spec.className;
      ::RegisterClassW(&windowClass);
      const HWND parent = spec.parent < 0 ? nullptr : windows_[spec.parent];
      const DWORD style = (parent ? WS_CHILD : WS_POPUP) | (spec.visible ? WS_VISIBLE : 0);
      windows_.push_back(
          ::CreateWindowExW(0, spec.className, L"", style, 0, 0, 200, 100, parent, nullptr, nullptr, nullptr));
    }
  }
  ~WindowTree() {
    for (auto window = windows_.rbegin(); window != windows_.rend(); ++window) ::DestroyWindow(*window);
  }
  Received ReceivedBy(size_t index) const { return received_[windows_[index]]; }
  DWORD Id(size_t index) const { return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(windows_[index])); }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message != WM_TOOLBAR_SETSTATE) return ::DefWindowProcW(window, message, wParam, lParam);
    received_[window].emplace_back(wParam, lParam);
    return 0;
  }

  static inline std::map<HWND, Received> received_;
  std::vector<HWND> windows_;
};

// The shell's list as this test reads it: each window's address, in order.
std::vector<std::wstring> ListedUrls() {
  std::vector<std::wstring> urls;
  ComPtr<IShellWindows> list;
  LONG count = 0;
  if (FAILED(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&list))) ||
      FAILED(list->get_Count(&count))) {
    return urls;
  }
  for (LONG i = 0; i < count; ++i) {
    ComPtr<IDispatch> item;
    ComPtr<IWebBrowser2> browser;
    Bstr url;
    if (list->Item(ArgI4(i), &item) == S_OK && SUCCEEDED(item.As(&browser))) browser->get_LocationURL(url.Put());
    urls.emplace_back(url.View());
  }
  return urls;
}

// The host program (registered for the whole program) with this test as a
// connected tab of the background page.
class TabsTest : public StandInTest {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WaitForNoHost(15000)) << "a host from an earlier test is still running";
    StandInTest::SetUp();
    background_ = std::make_unique<BackgroundClient>(1);
    ASSERT_TRUE(background_->Connect());
    folder_ = ListedUrls().at(0);
  }
  void TearDown() override {
    background_.reset();
    StandInTest::TearDown();
    EXPECT_TRUE(WaitForNoHost(15000));
  }
  std::wstring Ask(const std::wstring& message) { return background_->Ask(message); }
  std::wstring ActiveTab() { return Ask(L"activetab"); }
  static std::wstring Active(DWORD tab) { return L"active " + std::to_wstring(tab) + L" asked by 1"; }
  // The folder window is listed first, where it was, and was never navigated.
  void ExpectFolderUntouched() {
    const std::vector<std::wstring> urls = ListedUrls();
    ASSERT_FALSE(urls.empty());
    EXPECT_EQ(urls[0], folder_);
  }

  std::unique_ptr<BackgroundClient> background_;
  std::wstring folder_;
};

TEST_F(TabsTest, OpenTabOpensANewTabOfTheLastListedFrameOnly) {
  const std::wstring added = Page(L"added.html", "<p>added</p>");
  EXPECT_EQ(Ask(L"opentab|" + added), L"opened");
  EXPECT_EQ(ListedUrls().size(), 1u) << "with no browser nothing opens";
  EXPECT_TRUE(FindProcesses(L"IEXPLORE.EXE").empty());
  ExpectFolderUntouched();

  BrowserSession* first = Start(Page(L"first.html", "<p>first</p>"));
  BrowserSession* last = Start(Page(L"last.html", "<p>last</p>"));
  ASSERT_TRUE(first && last);
  EXPECT_EQ(Ask(L"opentab|" + added), L"opened");
  std::vector<DWORD> tabs;
  ASSERT_TRUE(WaitUntil([&] { return (tabs = last->Tabs()).size() == 2; }, 30000));
  ASSERT_TRUE(last->WaitForDocument(tabs[1], 1)) << Narrow(last->LastError());
  EXPECT_EQ(last->Url(tabs[1]), added);
  EXPECT_EQ(last->FrontTab(), tabs[1]);
  EXPECT_EQ(first->Tabs().size(), 1u);
  ExpectFolderUntouched();
}

TEST_F(TabsTest, ActiveTabAnswersTheFrontTabOfTheFrontVisibleFrame) {
  EXPECT_EQ(ActiveTab(), Active(0));
  {
    // A hidden frame is passed over, though its page window has the visible style.
    WindowTree hidden({{L"IEFrame", -1, false}, {L"Internet Explorer_Server", 0, true}});
    EXPECT_EQ(ActiveTab(), Active(0));
  }
  EXPECT_EQ(CountLines("vivsible"), 0);

  BrowserSession* session = Start(Page(L"first.html", "<p>first</p>"));
  ASSERT_TRUE(session);
  const DWORD first = session->Tabs().at(0);
  const DWORD second = session->OpenTab(Page(L"second.html", "<p>second</p>"));
  ASSERT_NE(second, 0u);
  EXPECT_EQ(ActiveTab(), Active(second));
  EXPECT_EQ(CountLines("vivsible"), 1);
  EXPECT_GE(CountLines("Internet Explorer_Server"), 1);
  ASSERT_TRUE(session->SwitchTab(first));
  EXPECT_EQ(ActiveTab(), Active(first));

  // The frame shown last is in front.
  BrowserSession* front = Start(Page(L"front.html", "<p>front</p>"));
  ASSERT_TRUE(front);
  EXPECT_EQ(ActiveTab(), Active(front->Tabs().at(0)));

  // A page is named by the tab window it lies in, at any depth; without one,
  // as in a browser that runs a tab per process, by its process.
  struct Case {
    std::vector<WindowTree::Spec> tree;
    int tabWindow;  // index, or -1 for none
  };
  const Case cases[] = {
      {{{L"IEFrame", -1, true},
        {L"Frame Tab", 0, true},
        {L"TabWindowClass", 1, true},
        {L"Shell DocObject View", 2, true},
        {L"Internet Explorer_Server", 3, true}},
       2},
      {{{L"IEFrame", -1, true}, {L"Internet Explorer_Server", 0, true}}, -1},
  };
  for (const Case& c : cases) {
    WindowTree shown(c.tree);
    EXPECT_EQ(ActiveTab(), Active(c.tabWindow < 0 ? ::GetCurrentProcessId() : shown.Id(c.tabWindow)));
  }
}

TEST_F(TabsTest, SetIconReachesEveryToolbarBelowEveryFrameAndGetAuthStateFollows) {
  WindowTree tree({
      {L"IEFrame", -1, true},               // 0
      {L"BandArea", 0, true},               // 1
      {kToolbarWindowClass, 1, true},       // 2: a toolbar in the frame's band area
      {kToolbarWindowClass, 0, false},      // 3: hidden, right below the frame
      {L"IEFrame", -1, false},              // 4: a hidden frame
      {kToolbarWindowClass, 4, false},      // 5
      {kToolbarWindowClass, -1, false},     // 6: below no frame
      {L"IEFrame2", -1, false},             // 7: whole class names only
      {kToolbarWindowClass, 7, false},      // 8
      {L"TESSARYBARLET2", 0, false},        // 9
      {L"WorkerW", 0, true},                // 10: as in Internet Explorer, the band area deeper down
      {L"ReBarWindow32", 10, true},         // 11
      {kToolbarWindowClass, 11, true},      // 12
      {L"Frame Tab", 0, true},              // 13: a tab's pages, where no toolbar lives
      {kToolbarWindowClass, 13, false},     // 14
  });
  ComPtr<IBG> bg;
  ASSERT_EQ(::CoCreateInstance(CLSID_CBG, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&bg)), S_OK);
  int auth = -1;
  ASSERT_EQ(bg->getAuthState(&auth), S_OK);
  EXPECT_EQ(auth, 0);
  WindowTree::Received sent;
  for (const auto& [state, expected] : {std::pair{2, 1}, {0, 0}, {-1, 1}}) {
    EXPECT_EQ(Ask(L"seticon|" + std::to_wstring(state)), L"icon set");
    ASSERT_EQ(bg->getAuthState(&auth), S_OK);
    EXPECT_EQ(auth, expected) << "after setIcon(" << state << ")";
    sent.emplace_back(0, state);
  }
  for (size_t toolbar : {2, 3, 5, 12}) EXPECT_EQ(tree.ReceivedBy(toolbar), sent) << "window " << toolbar;
  for (size_t other : {0, 1, 4, 6, 7, 8, 9, 10, 11, 13, 14}) {
    EXPECT_TRUE(tree.ReceivedBy(other).empty()) << "window " << other;
  }
}

TEST_F(TabsTest, FirstRunReopensEveryTabWithAnAddressAndQuitsTheOldOne) {
  const std::wstring one = Page(L"one.html", "<p>one</p>");
  const std::wstring two = Page(L"two.html", "<p>two</p>");
  BrowserSession* first = Start(one);
  BrowserSession* second = Start(two);
  ASSERT_TRUE(first && second);
  const DWORD oneProcess = first->TabProcess(first->Tabs().at(0));
  const DWORD twoProcess = second->TabProcess(second->Tabs().at(0));
  // A tab sent to no address shows none.
  const ControlFields opened = first->Request({L"open", L""});
  ASSERT_TRUE(IsControlOk(opened) && opened.size() == 2) << Narrow(opened.size() > 1 ? opened[1] : L"");
  const DWORD emptyTab = first->Tabs().at(1);
  ASSERT_EQ(first->Url(emptyTab), L"");

  EXPECT_EQ(Ask(L"firstrun"), L"reopening");
  EXPECT_TRUE(WaitForProcessEnd(oneProcess, 30000));
  EXPECT_TRUE(WaitForProcessEnd(twoProcess, 30000));
  for (const auto& [session, address] : {std::pair{first, one}, {second, two}}) {
    std::vector<DWORD> tabs;
    ASSERT_TRUE(WaitUntil([&] { return (tabs = session->Tabs()).size() == (session == first ? 2u : 1u); }, 30000));
    const DWORD reopened = tabs.back();
    ASSERT_TRUE(session->WaitForDocument(reopened, 1)) << Narrow(session->LastError());
    EXPECT_EQ(session->Url(reopened), address);
    EXPECT_EQ(CountLines("recreating " + Narrow(address)), 1);
  }
  EXPECT_EQ(first->Tabs().at(0), emptyTab) << "the tab without an address is left alone";
  EXPECT_EQ(CountLinesStartingWith(LogFilePath(), "recreating "), 2);
  ExpectFolderUntouched();
}

// The page agent of the front tab asks from its content script.
using ActiveTabAgentTest = AgentStandInTest;

TEST_F(ActiveTabAgentTest, AnswersTheTabIdThatThePageAgentOfTheFrontTabUses) {
  BrowserSession* session =
      Start(Page(L"ask.html", "<p id='request' data-message='activetab'></p><p id='answer'></p>"));
  ASSERT_TRUE(session);
  const std::wstring tab = std::to_wstring(session->FrontTab());
  std::wstring answer;
  WaitUntil([&] { return !(answer = session->Text(session->FrontTab(), L"answer")).empty(); }, 30000);
  EXPECT_EQ(answer, L"active " + tab + L" asked by " + tab);
}

}  // namespace
}  // namespace tessary::test
