// The demo: registers the host program and the page agent, stores a value in
// the background page's storage from a small client, then opens a page in the
// browser stand-in whose content script asks the background page for that
// value and writes the answer into the page; the background page then opens a
// second page in a new tab. Prints the pages' text and the host program's log.
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
#include "RecordingChannel.h"
#include "Tessary.h"
#include "TestEnvironment.h"

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
bool OpenSecondTab(BrowserSession& session, const std::wstring& folder) {
  const std::wstring page =
      WriteTestPage(folder, L"second.html", "<html><body><p id='second'>Opened by openTab</p></body></html>");
  BackgroundClient client(static_cast<int>(::GetCurrentProcessId()));
  if (!client.Connect()) return Fail("connecting", E_FAIL);
  const std::wstring request = L"opentab|" + page;
  std::printf("demo: client -> %s\n", Narrow(request).c_str());
  std::printf("demo: client <- %s\n", Narrow(client.Ask(request)).c_str());
  client.Bgc()->disconnect(client.Id(), client.Channel().Dispatch());
  std::vector<DWORD> tabs;
  if (!WaitUntil([&] { return (tabs = session.Tabs()).size() == 2; }, 30000) ||
      !session.WaitForDocument(tabs[1], 1)) {
    return Fail("waiting for the second tab", E_PENDING);
  }
  std::printf("demo: the second tab (process %lu) shows: %s\n", static_cast<unsigned long>(tabs[1]),
              Narrow(session.Text(tabs[1], L"second")).c_str());
  return true;
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
  const bool opened = OpenSecondTab(*session, folder);
  const auto hosts = FindProcesses(L"TessaryBG.exe");
  const DWORD host = hosts.empty() ? 0 : hosts[0];
  const ULONGLONG closed = ::GetTickCount64();
  const bool stopped = session->Stop();
  std::printf("demo: the browser %s\n", stopped ? "closed" : "had to be terminated");
  WaitForHostEnd(host, closed);
  const bool found = answer == std::wstring(L"string:") + kGreeting;
  if (!found) std::printf("demo: the page did not receive the stored greeting\n");
  return found && opened && stopped;
}

bool Run() {
  std::printf("demo: registering %s\n", Narrow(HostProgram()).c_str());
  const DWORD host = RegisterHost();
  if (host != 0) return Fail("registering the host program", host);
  std::printf("demo: registering %s with regsvr32\n", Narrow(AgentLibrary()).c_str());
  const DWORD agent = RegisterAgent();
  if (agent != 0) return Fail("registering the page agent", agent);

  const bool ok = StoreGreeting() && AskFromAPage();

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
