// Tessary Notes end to end, as a user meets it: the host program and the
// add-ons registered from the staged extension folder as an installer
// registers them, pages in the Internet Explorer stand-in, the toolbar's button
// in every tab, and the popup that the button opens in the host program.
#include <gtest/gtest.h>

#include <string>

#include "ChildProcess.h"
#include "HostDialogs.h"
#include "HostRegistration.h"
#include "NotesUser.h"
#include "PageDriver.h"
#include "PopupDriver.h"
#include "StandInTest.h"
#include "TestEnvironment.h"
#include "ToolbarPictures.h"

namespace tessary::test {
namespace {

constexpr DWORD kWaitMs = 30000;
constexpr int kBlue = 0, kRed = 2;  // the toolbar's pictures without the mouse over them

class NotesInBrowserTest : public AgentStandInTest {
 protected:
  static void SetUpTestSuite() { elsewhere_ = new OtherWindow(); }
  static void TearDownTestSuite() {
    delete elsewhere_;
    elsewhere_ = nullptr;
  }
  void SetUp() override {
    ASSERT_TRUE(pictures_.IsLoaded());
    ASSERT_TRUE(WaitForNoHost(15000)) << "a host from an earlier test is still running";
    ASSERT_TRUE(RemoveFolder(DataDirectory() + L"db\\")) << "the notes of an earlier test are in the way";
    AgentStandInTest::SetUp();
    ASSERT_EQ(RegisterToolbar(), 0u);
  }
  void TearDown() override {
    if (FindPopupDialog()) ClosePopup();
    AgentStandInTest::TearDown();
    UnregisterToolbar();
  }

  HWND ToolbarOf(BrowserSession* session, DWORD tab) {
    const auto toolbars = session->Toolbars(tab);
    return toolbars.size() == 1 ? toolbars[0].second : nullptr;
  }
  bool ToolbarShows(BrowserSession* session, DWORD tab, int picture) {
    HWND toolbar = ToolbarOf(session, tab);
    return toolbar && WaitUntil([&] { return pictures_.DrawnBy(*session, tab, toolbar) == picture; }, kWaitMs, 100);
  }

  // The user presses the tab's toolbar button until the popup shows (a popup
  // that is still closing refuses the first press); its page, or a driver
  // without a document.
  PageDriver OpenPopup(BrowserSession* session, DWORD tab) {
    const HWND dialog = OpenPopupWith(ToolbarOf(session, tab));
    return PageDriver(dialog ? PageDocument(dialog) : nullptr);
  }
  static bool ClosePopup() {
    return elsewhere_->Click() && WaitUntil([] { return !FindPopupDialog(); }, kWaitMs);
  }
  static std::wstring Read(PageDriver& page, const std::wstring& id, bool value = false) {
    std::wstring text;
    const std::wstring problem = value ? page.Value(id, &text) : page.Text(id, &text);
    return problem.empty() ? text : L"<" + problem + L">";
  }

  static OtherWindow* elsewhere_;
  ToolbarPictures pictures_{ToolbarLibrary()};
};

OtherWindow* NotesInBrowserTest::elsewhere_ = nullptr;

// Both tabs in one process, as on a Remote Desktop server.
TEST_F(NotesInBrowserTest, ASavedSelectionIsHighlightedInEveryTabAndAfterTheHostRestarts) {
  TabProcGrowth growth(1);
  const std::wstring first = Page(L"first.html", "<p>Seen today: <span id='quote'>the quick brown fox</span> by the river.</p>");
  const std::wstring second =
      Page(L"second.html", "<p id='other'>Again the quick brown fox, and the quick brown fox.</p><p id='blank'></p>");
  BrowserSession* session = Start(first);
  ASSERT_TRUE(session);
  const DWORD tab = session->Tabs().at(0);
  const DWORD other = session->OpenTab(second);
  ASSERT_NE(other, 0u);
  EXPECT_EQ(session->TabProcess(other), session->TabProcess(tab));
  EXPECT_TRUE(ToolbarShows(session, tab, kRed)) << "no notes yet";

  ASSERT_TRUE(SaveSelectionAsNote(*session, tab, L"quote"));
  EXPECT_TRUE(WaitForHighlights(*session, tab, L"the quick brown fox", 1)) << Narrow(session->Html(tab));
  EXPECT_TRUE(WaitForHighlights(*session, other, L"the quick brown fox", 2))
      << Narrow(session->Html(other)) << "\n" << ReadFileBytes(LogFilePath());
  EXPECT_EQ(session->Text(tab, kNotesOffer), L"") << "the offer is taken away once taken";
  EXPECT_EQ(session->Text(other, L"other"), L"Again the quick brown fox, and the quick brown fox.");
  EXPECT_TRUE(ToolbarShows(session, tab, kBlue));
  EXPECT_TRUE(ToolbarShows(session, other, kBlue));

  // The mouse released where no text is selected takes the offer away.
  ASSERT_TRUE(session->Select(other, L"other"));
  EXPECT_EQ(session->Text(other, kNotesOffer), L"Save selection as note");
  ASSERT_TRUE(session->Select(other, L"blank"));
  EXPECT_EQ(session->Text(other, kNotesOffer), L"");
  ASSERT_TRUE(session->Stop());
  ASSERT_TRUE(WaitForNoHost(15000));

  session = Start(second);
  ASSERT_TRUE(session);
  EXPECT_TRUE(WaitForHighlights(*session, session->Tabs().at(0), L"the quick brown fox", 2)) << "kept in the storage";
  EXPECT_TRUE(ToolbarShows(session, session->Tabs().at(0), kBlue));
}

TEST_F(NotesInBrowserTest, ThePopupListsChangesAndDeletesNotesAndKeepsWhatTheUserTypes) {
  BrowserSession* session = Start(Page(L"animals.html", "<p id='fox'>the quick brown fox</p><p id='dog'>the lazy dog</p>"));
  ASSERT_TRUE(session);
  const DWORD tab = session->Tabs().at(0);
  ASSERT_TRUE(SaveSelectionAsNote(*session, tab, L"fox"));
  ASSERT_TRUE(WaitForHighlights(*session, tab, L"the quick brown fox", 1));
  ASSERT_TRUE(SaveSelectionAsNote(*session, tab, L"dog"));
  ASSERT_TRUE(WaitForHighlights(*session, tab, L"the lazy dog", 1));

  PageDriver popup = OpenPopup(session, tab);
  const std::wstring listed = Read(popup, L"notes");
  EXPECT_EQ(Occurrences(listed, L"the quick brown fox (this page)"), 1) << Narrow(listed);
  EXPECT_EQ(Occurrences(listed, L"the lazy dog (this page)"), 1) << Narrow(listed);
  EXPECT_EQ(Read(popup, L"empty"), L"");

  // Changing a note: the page's highlight follows.
  ASSERT_EQ(popup.Click(L"edit-1"), L"");
  EXPECT_EQ(Read(popup, L"note-text", true), L"the quick brown fox");
  EXPECT_EQ(Read(popup, L"save-note"), L"Save note");
  ASSERT_EQ(popup.Type(L"note-text", L" again"), L"");
  ASSERT_EQ(popup.Click(L"save-note"), L"");
  EXPECT_EQ(Occurrences(Read(popup, L"notes"), L"the quick brown fox again"), 1);
  EXPECT_TRUE(WaitForHighlights(*session, tab, L"the quick brown fox", 0));
  EXPECT_EQ(session->Text(tab, L"fox"), L"the quick brown fox") << "the page's text is whole again";

  ASSERT_EQ(popup.Click(L"delete-2"), L"");
  EXPECT_EQ(Occurrences(Read(popup, L"notes"), L"the lazy dog"), 0);
  EXPECT_TRUE(WaitForHighlights(*session, tab, L"the lazy dog", 0));
  EXPECT_TRUE(ToolbarShows(session, tab, kBlue)) << "one note is left";

  // What the user types outlives the popup.
  ASSERT_EQ(popup.Type(L"note-text", L"half a thought"), L"");
  ASSERT_TRUE(ClosePopup());
  popup = OpenPopup(session, tab);
  EXPECT_EQ(Read(popup, L"note-text", true), L"half a thought");
  EXPECT_EQ(Read(popup, L"save-note"), L"Add note");
  ASSERT_EQ(popup.Click(L"save-note"), L"");
  EXPECT_EQ(Occurrences(Read(popup, L"notes"), L"half a thought"), 1);

  ASSERT_EQ(popup.Click(L"delete-1"), L"");
  ASSERT_EQ(popup.Click(L"delete-3"), L"");
  EXPECT_NE(Read(popup, L"empty"), L"");
  EXPECT_TRUE(ToolbarShows(session, tab, kRed)) << "no note is left";
}

TEST_F(NotesInBrowserTest, ExportWritesEveryNoteIntoTheFileTheUserChooses) {
  const std::wstring page = Page(L"cafe.html", "<p>Today: <b id='drink'>caf\xC3\xA9 au lait</b></p>");
  BrowserSession* session = Start(page);
  ASSERT_TRUE(session);
  const DWORD tab = session->Tabs().at(0);
  ASSERT_TRUE(SaveSelectionAsNote(*session, tab, L"drink"));
  ASSERT_TRUE(WaitForHighlights(*session, tab, L"caf\u00e9 au lait", 1));

  PageDriver popup = OpenPopup(session, tab);
  ASSERT_EQ(popup.Click(L"export"), L"");
  const DWORD host = FindProcesses(L"TessaryBG.exe").at(0);
  std::vector<HWND> dialogs;
  ASSERT_TRUE(WaitUntil([&] { return (dialogs = VisibleDialogs(host, L"Save As")).size() == 1; }, kWaitMs));
  EXPECT_EQ(WindowText(FileNameEdit(dialogs[0])), L"notes.txt");
  const std::wstring file = MakeTempFolder(L"export") + L"my notes.txt";
  ChooseFile(dialogs[0], file);
  const std::string expected = "Tessary Notes\r\n\r\n1. caf\xC3\xA9 au lait\r\n   " + Narrow(FileUrl(page)) + "\r\n";
  EXPECT_TRUE(WaitUntil([&] { return ReadFileBytes(file) == expected; }, kWaitMs)) << ReadFileBytes(file);
}

}  // namespace
}  // namespace tessary::test
