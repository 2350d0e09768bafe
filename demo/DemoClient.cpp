// The demo: Tessary Notes as a user meets it. Registers the host program, the
// page agent and the toolbar from the staged extension folder, opens a page in
// the browser stand-in and two more in other tabs, which share two processes
// as Internet Explorer's tabs do (TabProcGrowth 2): no notes yet, so every
// toolbar's button is red. Selects a sentence on the first page and takes the
// content script's offer to keep it: the background page stores the note,
// every tab highlights its text and setIcon(1) turns every toolbar blue. A
// click on the button opens the popup, which lists the note; its "Open page"
// has the background page open the note's page in a new tab (openTab), and
// its "Delete" turns the toolbars red again. Saves pictures of the band
// before and after, of the popup and of the page with its highlighted note,
// and prints the pages' text and the host program's log.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "BrowserSession.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "NotesUser.h"
#include "PageDriver.h"
#include "Picture.h"
#include "PopupDriver.h"
#include "TabProcGrowth.h"
#include "TestEnvironment.h"
#include "ToolbarPictures.h"

using namespace tessary;
using namespace tessary::test;

namespace {

constexpr wchar_t kQuote[] = L"A note is a sentence worth finding again";
constexpr int kBlue = 0, kRed = 2;  // the button's pictures without the mouse over it

unsigned long Since(ULONGLONG start) { return static_cast<unsigned long>(::GetTickCount64() - start); }

bool Fail(const char* step) {
  std::printf("demo: %s failed\n", step);
  return false;
}

// Waits for the host program to end by itself after its last client left,
// then prints its log (every start of the host program begins a new one).
void WaitForHostEnd(DWORD process, ULONGLONG released) {
  ChildProcess host = process ? ChildProcess::Open(process) : ChildProcess();
  if (host.IsValid() && host.Wait(15000)) {
    std::printf("demo: the host ended %lu ms after the browser closed, exit code %lu\n", Since(released),
                static_cast<unsigned long>(host.ExitCode()));
  }
  std::printf("demo: %s\n----\n%s----\n", Narrow(LogFilePath()).c_str(), ReadFileBytes(LogFilePath()).c_str());
}

// Pictures go next to the demo's program, under build/.
std::wstring PicturePath(const std::wstring& name) {
  wchar_t program[MAX_PATH] = {};
  ::GetModuleFileNameW(nullptr, program, MAX_PATH);
  const std::wstring folder = std::wstring(program).substr(0, std::wstring(program).rfind(L'\\') + 1);
  return folder + name;
}

// Wine shows the Unix file system as drive Z:.
void PrintSaved(const char* what, const std::wstring& path) {
  std::string unixPath = Narrow(path);
  if (unixPath.rfind("Z:\\", 0) == 0) unixPath = unixPath.substr(2);
  for (char& c : unixPath) c = c == '\\' ? '/' : c;
  std::printf("demo: saved %s: %s\n", what, unixPath.c_str());
}

HWND ToolbarOf(BrowserSession& session, DWORD tab) {
  const auto bands = session.Toolbars(tab);
  return bands.size() == 1 ? bands[0].second : nullptr;
}

// The toolbar of every tab shows the expected picture (waiting a while for
// it); the front tab's band is saved.
bool ShowToolbars(BrowserSession& session, const ToolbarPictures& pictures, int expected, const wchar_t* file) {
  bool all = true;
  for (DWORD tab : session.Tabs()) {
    const HWND toolbar = ToolbarOf(session, tab);
    int drawn = ToolbarPictures::kNone;
    WaitUntil([&] { return (drawn = pictures.DrawnBy(session, tab, toolbar)) == expected; }, 15000, 100);
    std::printf("demo: the toolbar of tab %lu shows %s (%s)\n", static_cast<unsigned long>(tab),
                ToolbarPictures::Name(drawn).c_str(),
                drawn == kBlue ? "blue" : drawn == kRed ? "red" : "not as expected");
    all = all && drawn == expected;
  }
  const DWORD front = session.FrontTab();
  const std::wstring path = PicturePath(file);
  if (!session.SavePicture(front, ToolbarOf(session, front), path)) return Fail("saving the band's picture");
  PrintSaved("the front tab's band", path);
  return all;
}

// The page window of a tab, brought to the front, as its process draws it.
bool SavePage(BrowserSession& session, DWORD tab, const wchar_t* file) {
  if (!session.SwitchTab(tab)) return Fail("bringing the tab to the front");
  const HWND page = PageWindow(BrowserSession::TabWindow(tab));
  const std::wstring path = PicturePath(file);
  // The page window paints a moment after it is shown.
  const auto painted = [&] {
    return session.SavePicture(tab, page, path) && Picture::FromPng(ReadFileBytes(path)).InkPixels() > 500;
  };
  if (!page || !WaitUntil(painted, 15000, 250)) {
    return Fail("saving the page's picture");
  }
  PrintSaved("the page with its highlighted note", path);
  return true;
}

// A click on the front tab's button opens the popup under the toolbar (the
// user clicks again while the toolbar has not reached the host yet); its
// picture is saved once its page has drawn.
HWND OpenPopup(BrowserSession& session) {
  const HWND toolbar = ToolbarOf(session, session.FrontTab());
  const HWND popup = OpenPopupWith(toolbar, 5, 5000);
  if (!popup) {
    Fail("opening the popup");
    return nullptr;
  }
  RECT bar = {}, rect = {};
  ::GetWindowRect(toolbar, &bar);
  ::GetWindowRect(popup, &rect);
  std::printf("demo: the popup opened at (%ld,%ld)-(%ld,%ld), under the toolbar's bottom-right corner (%ld,%ld)\n",
              rect.left, rect.top, rect.right, rect.bottom, bar.right, bar.bottom);
  Picture picture;
  WaitUntil([&] { return (picture = Picture::OfScreen(rect)).InkPixels() > 300; }, 30000, 100);
  const std::wstring path = PicturePath(L"popup.png");
  if (picture.SavePng(path)) PrintSaved("the popup", path);
  else Fail("saving the popup's picture");
  return popup;
}

std::wstring Read(PageDriver& page, const std::wstring& id) {
  std::wstring text;
  const std::wstring problem = page.Text(id, &text);
  return problem.empty() ? text : L"<" + problem + L">";
}

// In the popup: "Open page" has the background page open the note's page in
// a new tab, where it is highlighted too; "Delete" leaves no note, and every
// toolbar turns red.
bool UseThePopup(BrowserSession& session, const ToolbarPictures& pictures, HWND popup) {
  PageDriver page(PageDocument(popup));
  std::printf("demo: the popup lists: %s\n", Narrow(Read(page, L"notes")).c_str());
  const size_t before = session.Tabs().size();
  std::printf("demo: popup: Open page\n");
  if (!page.Click(L"open-1").empty()) return Fail("pressing Open page");
  std::vector<DWORD> tabs;
  if (!WaitUntil([&] { return (tabs = session.Tabs()).size() == before + 1; }, 30000) ||
      !WaitForHighlights(session, tabs.back(), kQuote, 1)) {
    return Fail("waiting for the note's page in a new tab");
  }
  std::printf("demo: the background page opened tab %lu: %s\n", static_cast<unsigned long>(tabs.back()),
              Narrow(session.Html(tabs.back(), L"article")).c_str());
  std::printf("demo: popup: Delete\n");
  if (!page.Click(L"delete-1").empty()) return Fail("pressing Delete");
  std::printf("demo: the popup says: %s\n", Narrow(Read(page, L"empty")).c_str());
  return ShowToolbars(session, pictures, kRed, L"band-after-delete.png");
}

// Where each tab runs: two processes for three tabs, a thread for each.
void PrintWhereTabsRun(BrowserSession& session) {
  for (DWORD tab : session.Tabs()) {
    std::printf("demo: tab %lu runs in process %lu, on thread %lu\n", static_cast<unsigned long>(tab),
                static_cast<unsigned long>(session.TabProcess(tab)), static_cast<unsigned long>(session.TabThread(tab)));
  }
}

// Three tabs without notes; a note saved from the first; the popup.
bool TakeNotes(BrowserSession& session, const std::wstring& folder) {
  const ToolbarPictures pictures(ToolbarLibrary());
  if (!pictures.IsLoaded()) return Fail("reading the toolbar's pictures");
  const std::wstring second = WriteTestPage(
      folder, L"quoted.html",
      "<html><head><title>Quoted</title></head><body><h1>Quoted elsewhere</h1>"
      "<p id='quoted'>As the first page says: A note is a sentence worth finding again.</p></body></html>");
  const std::wstring third = WriteTestPage(
      folder, L"again.html",
      "<html><head><title>Again</title></head><body><h1>And again</h1>"
      "<p id='again'>Someone wrote it twice: A note is a sentence worth finding again. A note is a sentence worth "
      "finding again.</p></body></html>");
  const DWORD first = session.Tabs().at(0);
  const DWORD other = session.OpenTab(second);
  const DWORD last = other ? session.OpenTab(third) : 0;
  if (!other || !last) return Fail("opening the second and the third tab");
  PrintWhereTabsRun(session);
  bool ok = ShowToolbars(session, pictures, kRed, L"band-before-seticon.png");

  std::printf("demo: selecting \"%s\" in tab %lu and taking the offer to keep it\n", Narrow(kQuote).c_str(),
              static_cast<unsigned long>(first));
  if (!SaveSelectionAsNote(session, first, L"quote")) return Fail("saving the selection as a note");
  for (const auto& [tab, count] : {std::pair{first, 1}, std::pair{other, 1}, std::pair{last, 2}}) {
    if (!WaitForHighlights(session, tab, kQuote, count)) return Fail("waiting for the highlights");
    std::printf("demo: tab %lu shows\n----\n%s\n----\n", static_cast<unsigned long>(tab),
                Narrow(session.Html(tab)).c_str());
  }
  ok = ShowToolbars(session, pictures, kBlue, L"band-after-seticon.png") && ok;
  ok = SavePage(session, first, L"page-with-note.png") && ok;

  OtherWindow elsewhere;
  const HWND popup = OpenPopup(session);
  if (!popup) return false;
  ok = UseThePopup(session, pictures, popup) && ok;
  const bool closed = elsewhere.Click() && WaitUntil([] { return !FindPopupDialog(); }, 30000);
  std::printf("demo: a click elsewhere %s the popup\n", closed ? "closed" : "did not close");
  return ok && closed;
}

bool Run() {
  const std::wstring folder = MakeTempFolder(L"demo");
  // As on a machine that sets it, and as Remote Desktop servers do with 1.
  std::printf("demo: TabProcGrowth 2: the browser runs its tabs in at most two processes\n");
  const TabProcGrowth growth(2);
  if (!growth.IsSet()) return Fail("setting TabProcGrowth");
  const std::wstring page = WriteTestPage(
      folder, L"article.html",
      "<html><head><title>An article</title></head><body><h1>Tessary Notes</h1>"
      "<p id='article'>Select text on any page and keep it. <span id='quote'>A note is a sentence worth finding "
      "again</span>, so every page that holds it shows it marked.</p></body></html>");
  std::printf("demo: opening %s in the browser stand-in\n", Narrow(page).c_str());
  const ULONGLONG started = ::GetTickCount64();
  std::unique_ptr<BrowserSession> session = BrowserSession::Start(page);
  if (!session) {
    std::printf("demo: the browser did not start: %s\n", Narrow(BrowserSession::LastStartError()).c_str());
    return false;
  }
  std::printf("demo: the first page completed %lu ms after the browser started\n", Since(started));
  const bool ok = TakeNotes(*session, folder);
  const auto hosts = FindProcesses(L"TessaryBG.exe");
  const DWORD host = hosts.empty() ? 0 : hosts[0];
  const ULONGLONG closed = ::GetTickCount64();
  const bool stopped = session->Stop();
  std::printf("demo: the browser %s\n", stopped ? "closed" : "had to be terminated");
  WaitForHostEnd(host, closed);
  return ok && stopped;
}

bool Register() {
  std::printf("demo: registering %s\n", Narrow(HostProgram()).c_str());
  if (RegisterHost() != 0) return Fail("registering the host program");
  std::printf("demo: registering %s with regsvr32\n", Narrow(AgentLibrary()).c_str());
  if (RegisterAgent() != 0) return Fail("registering the page agent");
  std::printf("demo: registering %s with regsvr32\n", Narrow(ToolbarLibrary()).c_str());
  if (RegisterToolbar() != 0) return Fail("registering the toolbar");
  return true;
}

}  // namespace

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const bool ok = Register() && Run();
  UnregisterToolbar();
  UnregisterAgent();
  UnregisterHost();
  std::printf("demo: %s\n", ok ? "done" : "failed");
  ::CoUninitialize();
  return ok ? 0 : 1;
}
