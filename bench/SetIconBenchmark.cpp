// The background page's setIcon reaching the toolbars of N browser windows
// (N = 1, 4; each window's tab, and so its toolbar, a process of its own),
// against its floor, in µs (medians of the rounds' medians):
//   (a) the floor: this process sends the toolbar's state message to N plain
//       windows, each in a helper process of its own (plain_window.exe);
//   (r) the repaint: this process invalidates the N toolbars and has each
//       repainted (UpdateWindow);
//   (b) setIcon, end to end: the background page's setIcon, asked through the
//       tab channel, with the toolbars repainted afterwards as in (r), less
//       the same round trip to the background page without setIcon.
// Also shown, to tell where the time goes: (e) finding the toolbars as setIcon
// finds them (the host's own code, run in this process), and N = 0, setIcon
// with no browser window at all.
// The measures take turns, round after round, so that a busy machine weighs
// on all of them alike. Goal: b <= 1.2 * (a + r).
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "BackgroundClient.h"
#include "BrowserWindows.h"
#include "Bstr.h"
#include "BrowserSession.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "TestEnvironment.h"
#include "ToolbarWindow.h"

using namespace tessary;
using namespace tessary::test;

namespace {

constexpr int kRounds = 31;
constexpr int kCallsPerRound = 15;

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values.empty() ? -1 : values[values.size() / 2];
}

double Microseconds(const std::function<void()>& work) {
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  work();
  ::QueryPerformanceCounter(&end);
  return (end.QuadPart - start.QuadPart) * 1e6 / frequency.QuadPart;
}

// The helper's window, once it is up; null when it does not come.
HWND PlainWindowOf(DWORD process) {
  HWND found = nullptr;
  WaitUntil(
      [&] {
        for (HWND window = nullptr; (window = ::FindWindowExW(nullptr, window, L"TessaryBenchPlainWindow", nullptr));) {
          DWORD owner = 0;
          ::GetWindowThreadProcessId(window, &owner);
          if (owner == process) found = window;
        }
        return found != nullptr;
      },
      20000);
  return found;
}

struct PlainWindows {
  std::vector<ChildProcess> processes;
  std::vector<HWND> windows;

  ~PlainWindows() {
    for (HWND window : windows) ::PostMessageW(window, WM_CLOSE, 0, 0);
    for (const ChildProcess& process : processes) process.Wait(10000);
  }
};

// N browser windows, each with one tab whose toolbar is up.
struct Browsers {
  std::vector<std::unique_ptr<BrowserSession>> sessions;
  std::vector<HWND> toolbars;
};

bool AddBrowser(Browsers* browsers, const std::wstring& page) {
  std::unique_ptr<BrowserSession> session = BrowserSession::Start(page);
  if (!session) return false;
  const auto bands = session->Toolbars(session->Tabs().at(0));
  if (bands.size() != 1) return false;
  browsers->toolbars.push_back(bands[0].second);
  browsers->sessions.push_back(std::move(session));
  return true;
}

bool AddPlainWindow(PlainWindows* plain, const std::wstring& program) {
  plain->processes.push_back(ChildProcess::Start(program));
  const HWND window = plain->processes.back().IsValid() ? PlainWindowOf(plain->processes.back().Id()) : nullptr;
  if (window) plain->windows.push_back(window);
  return window != nullptr;
}

struct Figures {
  double floor, repaint, setIcon, finding, roundTrip;
};

int FindToolbars() {
  int found = 0;
  for (HWND frame : host::FrameWindows()) {
    host::ForEachDescendant(frame, [&found](HWND window) {
      found += HasWindowClass(window, kToolbarWindowClass) ? 1 : 0;
      return true;
    });
  }
  return found;
}

Figures Measure(BackgroundClient& client, const std::vector<HWND>& toolbars, const std::vector<HWND>& plain) {
  int state = 0;
  const auto ask = [&client](const std::wstring& message) {
    client.Bgc()->dispatchMsg(Bstr(message).Get(), client.Id());
  };
  const auto repaint = [&toolbars] {
    for (HWND toolbar : toolbars) ::UpdateWindow(toolbar);
  };
  std::vector<double> floor, repaints, setIcon, finding, roundTrip;
  for (int round = 0; round < kRounds; ++round) {
    std::vector<double> a, r, b, c, e;
    for (int call = 0; call < kCallsPerRound; ++call) {
      state = 1 - state;
      a.push_back(Microseconds([&] {
        for (HWND window : plain) ::SendMessageW(window, WM_TOOLBAR_SETSTATE, 0, state);
      }));
      r.push_back(Microseconds([&] {
        for (HWND toolbar : toolbars) ::InvalidateRect(toolbar, nullptr, TRUE);
        repaint();
      }));
      b.push_back(Microseconds([&] {
        ask(L"seticon|" + std::to_wstring(state));
        repaint();
      }));
      c.push_back(Microseconds([&] { ask(L"echo|icon set"); }));
      e.push_back(Microseconds([&] { FindToolbars(); }));
    }
    floor.push_back(Median(a));
    repaints.push_back(Median(r));
    std::vector<double> differences;
    for (size_t i = 0; i < b.size(); ++i) differences.push_back(b[i] - c[i]);
    setIcon.push_back(Median(differences));
    roundTrip.push_back(Median(c));
    finding.push_back(Median(e));
  }
  if (client.Channel().Last() != L"icon set") std::printf("warning: the background page answered %s\n",
                                                            Narrow(client.Channel().Last()).c_str());
  if (FindToolbars() != static_cast<int>(toolbars.size())) std::printf("warning: not every toolbar was found\n");
  return {Median(floor), Median(repaints), Median(setIcon), Median(finding), Median(roundTrip)};
}

bool Run() {
  const std::wstring folder = MakeTempFolder(L"seticon-bench");
  const std::wstring page = WriteTestPage(folder, L"page.html", "<p>page</p>");
  wchar_t self[MAX_PATH];
  ::GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring plainProgram = self;
  plainProgram = plainProgram.substr(0, plainProgram.rfind(L'\\') + 1) + L"plain_window.exe";

  BackgroundClient client(1);
  if (!client.Connect()) return false;
  Browsers browsers;
  PlainWindows plain;
  std::printf("setIcon benchmark: µs per setIcon reaching N toolbars (medians of %d rounds)\n", kRounds);
  std::printf("%-3s %11s %12s %12s %12s %11s %8s %8s\n", "N", "(a) floor", "(r) repaint", "(b) setIcon",
              "(e) finding", "round trip", "b/(a+r)", "goal");
  bool met = true;
  for (size_t n : {0u, 1u, 4u}) {
    while (browsers.toolbars.size() < n) {
      if (!AddBrowser(&browsers, page)) return false;
    }
    while (plain.windows.size() < n) {
      if (!AddPlainWindow(&plain, plainProgram)) return false;
    }
    // The new toolbars have asked the host for the state and drawn it.
    PumpMessagesUntil([] { return false; }, 1000);
    const Figures f = Measure(client, browsers.toolbars, plain.windows);
    const bool goal = f.setIcon <= 1.2 * (f.floor + f.repaint);
    if (n > 0) met = met && goal;
    std::printf("%-3zu %11.1f %12.1f %12.1f %12.1f %11.1f %8.2f %8s\n", n, f.floor, f.repaint, f.setIcon, f.finding,
                f.roundTrip, n ? f.setIcon / (f.floor + f.repaint) : 0.0, n ? (goal ? "met" : "NOT met") : "-");
  }
  std::printf("goal b <= 1.2 * (a + r): %s\n", met ? "met" : "NOT met");
  client.Bgc()->disconnect(client.Id(), client.Channel().Dispatch());
  for (auto& session : browsers.sessions) session->Stop();
  return true;
}

}  // namespace

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  if (RegisterHost() != 0 || RegisterToolbar() != 0) return 2;
  const bool ok = Run();
  if (!ok) std::printf("setIcon benchmark: failed\n");
  UnregisterToolbar();
  UnregisterHost();
  ::CoUninitialize();
  return ok ? 0 : 3;
}
