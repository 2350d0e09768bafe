// The demo: registers the host program, the page agent and the toolbar, stores
// a value in the background page's storage from a small client, then opens a
// page in the browser stand-in whose content script asks the background page
// for that value and writes the answer into the page; the toolbar's button
// shows in the browser, red; the background page opens a second page in a new
// tab and turns every toolbar blue with setIcon(1); a click on the button
// opens the popup under the toolbar. Saves pictures of the toolbar before and
// after setIcon and of the popup, and prints the pages' text and the host
// program's log.
#include <windows.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include <wrl/client.h>

#include "BackgroundClient.h"
#include "Bstr.h"
#include "BrowserSession.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "Picture.h"
#include "PopupDriver.h"
#include "RecordingChannel.h"
#include "Tessary.h"
#include "TestEnvironment.h"
#include "ToolbarPictures.h"

using Microsoft::WRL::ComPtr;
using namespace tessary;
using namespace tessary::test;

namespace {

constexpr wchar_t kGreeting[] = L"Hello from the background page's storage";

unsigned long Since(ULONGLONG start) { return static_cast<unsigned long>(::GetTickCount64() - start); }

bool Fail(const char* step, HRESULT hr) {
  std::printf("demo: %s failed, 0x%08lX\n", step, static_cast<unsigned long>(hr));
  return false;
}

// Waits for the host program to end by itself after its last client left,
// then prints its log (every start of the host program begins a new one).
void WaitForHostEnd(DWORD process, ULONGLONG released) {
  ChildProcess host = process ? ChildProcess::Open(process) : ChildProcess();
  if (host.IsValid() && host.Wait(10000)) {
    std::printf("demo: the host ended %lu ms after the last release, exit code %lu\n", Since(released),
                static_cast<unsigned long>(host.ExitCode()));
  }
  std::printf("demo: %s\n----\n%s----\n", Narrow(LogFilePath()).c_str(), ReadFileBytes(LogFilePath()).c_str());
}

// Talks to the background page the way a page agent does, through a tab
// channel of its own, and has it store the greeting.
bool StoreGreeting() {
  const ULONGLONG started = ::GetTickCount64();
  ComPtr<IBGC> bgc;
  const HRESULT hr = ::CoCreateInstance(CLSID_CBGC, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&bgc));
  if (FAILED(hr)) return Fail("creating CBGC", hr);
  const auto hosts = FindProcesses(L"TessaryBG.exe");
  const DWORD host = hosts.empty() ? 0 : hosts[0];
  std::printf("demo: COM started TessaryBG.exe (process %lu) in %lu ms\n", static_cast<unsigned long>(host),
              Since(started));
  if (!WaitUntilReady(bgc.Get())) return Fail("waiting for the background page", E_PENDING);
  std::printf("demo: the background page is running (%lu ms after the start)\n", Since(started));
  {
    RecordingChannel channel;
    const int tabId = static_cast<int>(::GetCurrentProcessId());
    if (FAILED(bgc->connect(tabId, channel.Dispatch(), Bstr(L"demo://client").Get()))) {
      return Fail("connecting", E_FAIL);
    }
    const std::wstring request = std::wstring(L"set|greeting|") + kGreeting;
    std::printf("demo: client -> %s\n", Narrow(request).c_str());
    bgc->dispatchMsg(Bstr(request).Get(), tabId);
    std::printf("demo: client <- %s\n", Narrow(channel.Last()).c_str());
    bgc->disconnect(tabId, channel.Dispatch());
  }
  const ULONGLONG released = ::GetTickCount64();
  bgc.Reset();
  WaitForHostEnd(host, released);
  return true;
}

// Waits until the page's answer element holds more than its placeholder.
std::wstring WaitForAnswer(BrowserSession& session, DWORD tab) {
  std::wstring answer;
  WaitUntil(
      [&] {
        answer = session.Text(tab, L"answer");
        return answer != L"waiting";
      },
      30000);
  return answer;
}

// Has the background page open a second page with openTab: it opens in a new
// tab of the browser listed last in the shell's list of windows.
bool OpenSecondTab(BrowserSession& session, BackgroundClient& client, const std::wstring& folder) {
  const std::wstring page =
      WriteTestPage(folder, L"second.html", "<html><body><p id='second'>Opened by openTab</p></body></html>");
  const std::wstring request = L"opentab|" + page;
  std::printf("demo: client -> %s\n", Narrow(request).c_str());
  std::printf("demo: client <- %s\n", Narrow(client.Ask(request)).c_str());
  std::vector<DWORD> tabs;
  if (!WaitUntil([&] { return (tabs = session.Tabs()).size() == 2; }, 30000) ||
      !session.WaitForDocument(tabs[1], 1)) {
    return Fail("waiting for the second tab", E_PENDING);
  }
  std::printf("demo: the second tab (process %lu) shows: %s\n", static_cast<unsigned long>(tabs[1]),
              Narrow(session.Text(tabs[1], L"second")).c_str());
  return true;
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

// Which picture a tab's toolbar draws at its right edge, as the tab's process
// sees it drawn (what it draws into the frame's window does not reach Wine's
// screen); waits a while for the expected one.
int DrawnPicture(BrowserSession& session, DWORD tab, const ToolbarPictures& pictures, int expected) {
  const HWND toolbar = ToolbarOf(session, tab);
  int found = ToolbarPictures::kNone;
  WaitUntil(
      [&] {
        RECT client = {};
        ::GetClientRect(toolbar, &client);
        std::vector<POINT> points = pictures.SamplePoints();
        for (POINT& point : points) point.x += client.right - 36;
        found = pictures.FindByColours(session.Pixels(tab, toolbar, points));
        return found == expected;
      },
      15000, 100);
  return found;
}

// The toolbar of every tab shows the expected picture; the front tab's band
// is saved.
bool ShowToolbars(BrowserSession& session, const ToolbarPictures& pictures, int expected, const wchar_t* file) {
  bool all = true;
  for (DWORD tab : session.Tabs()) {
    const int drawn = DrawnPicture(session, tab, pictures, expected);
    std::printf("demo: the toolbar of tab %lu shows %s (%s)\n", static_cast<unsigned long>(tab),
                ToolbarPictures::Name(drawn).c_str(), drawn == 0 ? "blue" : drawn == 2 ? "red" : "not as expected");
    all = all && drawn == expected;
  }
  const DWORD front = session.FrontTab();
  const std::wstring path = PicturePath(file);
  if (!session.SavePicture(front, ToolbarOf(session, front), path)) return Fail("saving the band's picture", E_FAIL);
  PrintSaved("the front tab's band", path);
  return all;
}

// A click in the middle of the button, which sits at the toolbar's right edge.
void ClickButton(HWND toolbar) {
  RECT client = {};
  ::GetClientRect(toolbar, &client);
  const LPARAM point = MAKELPARAM(client.right - 16, client.bottom / 2);
  DWORD_PTR ignored = 0;
  ::SendMessageTimeoutW(toolbar, WM_LBUTTONDOWN, MK_LBUTTON, point, SMTO_NORMAL, 10000, &ignored);
  ::SendMessageTimeoutW(toolbar, WM_LBUTTONUP, 0, point, SMTO_NORMAL, 10000, &ignored);
}

// The button opens the popup under the toolbar; its picture is saved, and a
// click on another window closes it.
bool OpenPopup(BrowserSession& session) {
  OtherWindow elsewhere;
  const HWND toolbar = ToolbarOf(session, session.FrontTab());
  HWND popup = nullptr;
  const auto shown = [&] { return (popup = FindPopupDialog()) && ::IsWindowVisible(popup); };
  // The user clicks again while the toolbar has not reached the host yet.
  for (int click = 0; click < 5 && !shown(); ++click) {
    ClickButton(toolbar);
    WaitUntil(shown, 5000);
  }
  if (!shown()) return Fail("opening the popup", E_FAIL);
  RECT bar = {}, rect = {};
  ::GetWindowRect(toolbar, &bar);
  ::GetWindowRect(popup, &rect);
  std::printf("demo: the popup opened at (%ld,%ld)-(%ld,%ld), under the toolbar's bottom-right corner (%ld,%ld)\n",
              rect.left, rect.top, rect.right, rect.bottom, bar.right, bar.bottom);
  Picture picture;
  WaitUntil([&] { return (picture = Picture::OfScreen(rect)).InkPixels() > 300; }, 30000, 100);
  const std::wstring path = PicturePath(L"popup.png");
  if (!picture.SavePng(path)) return Fail("saving the popup's picture", E_FAIL);
  PrintSaved("the popup", path);
  const bool closed = elsewhere.Click() && WaitUntil([] { return !FindPopupDialog(); }, 30000);
  std::printf("demo: a click elsewhere %s the popup\n", closed ? "closed" : "did not close");
  return closed;
}

// With the greeting shown: the toolbar's button, the second tab, setIcon and
// the popup.
bool UseTheExtension(BrowserSession& session, const std::wstring& folder) {
  const ToolbarPictures pictures(ToolbarLibrary());
  if (!pictures.IsLoaded()) return Fail("reading the toolbar's pictures", E_FAIL);
  constexpr int kSet = 0, kClear = 2;
  if (!ShowToolbars(session, pictures, kClear, L"band-before-seticon.png")) return false;
  BackgroundClient client(static_cast<int>(::GetCurrentProcessId()));
  if (!client.Connect()) return Fail("connecting", E_FAIL);
  bool ok = OpenSecondTab(session, client, folder);
  std::printf("demo: client -> seticon|1\n");
  std::printf("demo: client <- %s\n", Narrow(client.Ask(L"seticon|1")).c_str());
  ok = ok && ShowToolbars(session, pictures, kSet, L"band-after-seticon.png");
  client.Bgc()->disconnect(client.Id(), client.Channel().Dispatch());
  return ok && OpenPopup(session);
}

// Opens a page whose content script asks the background page (started anew
// by the page agent) for the stored greeting.
bool AskFromAPage() {
  const std::wstring folder = MakeTempFolder(L"demo");
  const std::wstring page = WriteTestPage(folder, L"greeting.html",
                                          "<html><body><h1>Tessary demo</h1>"
                                          "<div id='request' data-message='get|greeting'></div>"
                                          "<p>The background page answered: <span id='answer'>waiting</span></p>"
                                          "<p>Content scripts run here: <span id='scripts'></span></p>"
                                          "</body></html>");
  std::printf("demo: opening %s in the browser stand-in\n", Narrow(page).c_str());
  const ULONGLONG started = ::GetTickCount64();
  std::unique_ptr<BrowserSession> session = BrowserSession::Start(page);
  if (!session) {
    std::printf("demo: the browser did not start: %s\n", Narrow(BrowserSession::LastStartError()).c_str());
    return false;
  }
  const DWORD tab = session->Tabs().at(0);
  const std::wstring answer = WaitForAnswer(*session, tab);
  std::printf("demo: the page's answer arrived %lu ms after the browser started\n", Since(started));
  std::printf("demo: page text\n----\n%s\n----\n", Narrow(session->Text(tab)).c_str());
  const bool used = UseTheExtension(*session, folder);
  const auto hosts = FindProcesses(L"TessaryBG.exe");
  const DWORD host = hosts.empty() ? 0 : hosts[0];
  const ULONGLONG closed = ::GetTickCount64();
  const bool stopped = session->Stop();
  std::printf("demo: the browser %s\n", stopped ? "closed" : "had to be terminated");
  WaitForHostEnd(host, closed);
  const bool found = answer == std::wstring(L"string:") + kGreeting;
  if (!found) std::printf("demo: the page did not receive the stored greeting\n");
  return found && used && stopped;
}

bool Run() {
  std::printf("demo: registering %s\n", Narrow(HostProgram()).c_str());
  const DWORD host = RegisterHost();
  if (host != 0) return Fail("registering the host program", host);
  std::printf("demo: registering %s with regsvr32\n", Narrow(AgentLibrary()).c_str());
  const DWORD agent = RegisterAgent();
  if (agent != 0) return Fail("registering the page agent", agent);
  std::printf("demo: registering %s with regsvr32\n", Narrow(ToolbarLibrary()).c_str());
  const DWORD toolbar = RegisterToolbar();
  if (toolbar != 0) return Fail("registering the toolbar", toolbar);

  const bool ok = StoreGreeting() && AskFromAPage();

  UnregisterToolbar();
  UnregisterAgent();
  UnregisterHost();
  return ok;
}

}  // namespace

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const bool ok = Run();
  std::printf("demo: %s\n", ok ? "done" : "failed");
  ::CoUninitialize();
  return ok ? 0 : 1;
}
