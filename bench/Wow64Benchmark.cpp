// The 32-bit add-ons in 32-bit tabs of the browser stand-in, against the
// 64-bit ones and against the floor of a 32-bit process's calls into the
// 64-bit host, all in the same run.
//
// (1) The page agent's load time (creation plus SetSite, per tab) and
//     navigation time (in its browser event handlers during one page load),
//     as the stand-in measures them: pagelet32.dll in 32-bit tabs against
//     pagelet.dll in 64-bit tabs of the same frame, with the real host behind
//     both. Medians, milliseconds. Goal: 32-bit <= 1.2 x 64-bit. The tests'
//     own Browser Helper Object (events, journal, a message-only window), in
//     its two builds, measured the same way in a frame of its own, shows what
//     the platform charges any add-on for being 32-bit.
// (2) A content script's round trip to the background page from a 32-bit tab
//     (extension.send("echo|…"), answered through the tab channel before send
//     returns) against its floor: a 32-bit process's IBGC::dispatchMsg on
//     echo_server.exe, which calls the tab channel back with the same string
//     before it returns (callback_floor32.exe). µs per message of 100 bytes
//     and of 100 KB, medians of rounds that take turns. Goal: content script
//     <= 1.5 x floor. The same pair for 64-bit tabs is printed beside it.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "BrowserSession.h"
#include "CallbackFloor.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "ModulePath.h"
#include "TestAddon.h"
#include "TestEnvironment.h"

using namespace tessary;
using namespace tessary::test;

namespace {

constexpr int kTabs = 12;
constexpr int kLoads = 30;
constexpr int kRounds = 3;

struct Load {
  const char* name;
  int size;
  int count;
};
const Load kMessages[] = {{"100 B", 100, 500}, {"100 KB", 100 * 1024, 100}};

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// One add-on's figures in tabs of one kind.
struct AddonFigures {
  std::vector<double> loads;
  std::vector<double> navigations;
};

void AddTiming(BrowserSession& session, DWORD tab, const std::wstring& clsid, std::vector<double>* into,
               bool navigation) {
  if (const AddonTiming* timing = FindTiming(session.Timings(tab), clsid)) {
    into->push_back((navigation ? timing->navigationMicroseconds : timing->loadMicroseconds) / 1000.0);
  }
}

// The add-on registered in both builds: tabs of both kinds in one frame,
// opened in turns, then page loads in one tab of each kind in turns. Index 0
// is 64-bit, 1 is 32-bit.
bool MeasureAddon(const std::wstring& page, const std::wstring& clsid, AddonFigures figures[2]) {
  auto session = BrowserSession::Start(page);
  if (!session) return false;
  DWORD first[2] = {session->Tabs().at(0), 0};
  AddTiming(*session, first[0], clsid, &figures[0].loads, false);
  for (int i = 1; i < 2 * kTabs; ++i) {
    const int kind = i % 2;
    const DWORD tab = session->OpenTab(page, 30000, kind ? TabBits::k32 : TabBits::k64);
    if (!tab) return false;
    if (!first[kind]) first[kind] = tab;
    AddTiming(*session, tab, clsid, &figures[kind].loads, false);
  }
  for (int i = 0; i < 2 * kLoads; ++i) {
    const int kind = i % 2;
    session->SwitchTab(first[kind]);
    if (!session->Navigate(first[kind], page)) return false;
    AddTiming(*session, first[kind], clsid, &figures[kind].navigations, true);
  }
  return session->Stop();
}

// µs per round trip of a content script in a new tab of that kind.
double ContentScript(const Load& load, TabBits bits, const std::wstring& pages) {
  const std::string html = "<html><body><div id='bench' data-size='" + std::to_string(load.size) + "' data-count='" +
                           std::to_string(load.count) + "'></div><div id='bench-result'></div></body></html>";
  auto session = BrowserSession::Start(WriteTestPage(pages, L"bench.html", html), 30000, bits);
  if (!session) return -1;
  const DWORD tab = session->Tabs().at(0);
  std::wstring figures;
  WaitUntil([&] { return !(figures = session->Text(tab, L"bench-result")).empty(); }, 120000, 200);
  session->Stop();
  if (figures.empty()) return -1;
  const int answered = _wtoi(figures.c_str() + figures.find(L' ') + 1);
  if (answered != load.count) std::printf("warning: %d of %d messages answered\n", answered, load.count);
  return _wtof(figures.c_str()) * 1000 / load.count;
}

// The floor from a 32-bit process: callback_floor32.exe beside this program.
double Floor32(const Load& load, const std::wstring& folder) {
  const std::wstring result = folder + L"floor32.txt";
  ::DeleteFileW(result.c_str());
  const std::wstring program = FolderOf(ModuleFileName(nullptr)) + L"callback_floor32.exe";
  if (RunProgram(program, std::to_wstring(load.size) + L" " + std::to_wstring(load.count) + L" \"" + result + L"\"",
                 300000) != 0) {
    return -1;
  }
  return std::atof(ReadFileBytes(result).c_str());
}

const char* Verdict(bool met) { return met ? "met" : "NOT met"; }

void PrintRow(const char* name, const std::vector<double>& a64, const std::vector<double>& a32) {
  const double m64 = Median(a64), m32 = Median(a32);
  std::printf("%-36s %3zu+%-3zu %10.3f %10.3f %8.2f\n", name, a64.size(), a32.size(), m64, m32,
              m64 > 0 ? m32 / m64 : 0.0);
}

}  // namespace

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  if (RegisterHost() != 0) return 2;
  if (!bench::RegisterEchoServer()) return 3;
  for (AddonBits bits : {AddonBits::k64, AddonBits::k32}) {
    if (RegisterAgent(bits) != 0) return 4;
  }
  const std::wstring folder = MakeTempFolder(L"wow64bench");
  const std::wstring page = folder + L"page.html";
  WriteFileBytes(page, "<html><body><p>A page with <a href='#'>a link</a> and a frame:</p>"
                       "<iframe src='frame.html'></iframe></body></html>");
  WriteFileBytes(folder + L"frame.html", "<html><body>frame</body></html>");

  // A first frame with a tab of each kind, not measured: the first 32-bit
  // process of the run pays for bringing the platform's 32-bit half into
  // memory, whichever add-on it loads.
  if (auto warmUp = BrowserSession::Start(page)) warmUp->OpenTab(page, 30000, TabBits::k32);
  AddonFigures reference[2];
  bool measured = true;
  {
    const TestAddon helper64(TestAddon::kHelper), helper32(TestAddon::kHelper, AddonBits::k32);
    if (!helper64.IsRegistered() || !helper32.IsRegistered()) return 5;
    measured = MeasureAddon(page, helper64.Clsid(), reference);
  }
  AddonFigures agents[2];
  measured = MeasureAddon(page, kAgentClsid, agents) && measured;
  WaitForNoHost(15000);

  std::printf("wow64 benchmark: the 32-bit add-ons in 32-bit tabs beside the 64-bit host\n");
  if (!measured) std::printf("warning: the tabs could not all be measured\n");
  std::printf("milliseconds, medians                 tabs/loads   64-bit     32-bit    32/64\n");
  PrintRow("page agent: load", agents[0].loads, agents[1].loads);
  PrintRow("page agent: navigation", agents[0].navigations, agents[1].navigations);
  PrintRow("reference add-on: load", reference[0].loads, reference[1].loads);
  PrintRow("reference add-on: navigation", reference[0].navigations, reference[1].navigations);
  const double load64 = Median(agents[0].loads), load32 = Median(agents[1].loads);
  const double nav64 = Median(agents[0].navigations), nav32 = Median(agents[1].navigations);
  std::printf("page agent beyond the reference, load: 64-bit %.3f, 32-bit %.3f\n",
              load64 - Median(reference[0].loads), load32 - Median(reference[1].loads));
  std::printf("goal 32-bit <= 1.2 x 64-bit: load %s, navigation %s\n", Verdict(load32 > 0 && load32 <= 1.2 * load64),
              Verdict(nav32 > 0 && nav32 <= 1.2 * nav64));

  std::printf("round trip, µs per message, medians of %d rounds\n", kRounds);
  std::printf("%-10s %10s %10s %8s %10s %10s %8s\n", "message", "32 floor", "32 tab", "b/a", "64 floor", "64 tab",
              "b/a");
  bool met = true;
  for (const Load& load : kMessages) {
    std::vector<double> floor32, tab32, floor64, tab64;
    for (int round = 0; round < kRounds; ++round) {
      floor32.push_back(Floor32(load, folder));
      tab32.push_back(ContentScript(load, TabBits::k32, folder));
      WaitForNoHost(15000);
      floor64.push_back(bench::CallbackFloorMicroseconds(load.size, load.count));
      tab64.push_back(ContentScript(load, TabBits::k64, folder));
      WaitForNoHost(15000);
    }
    const double a32 = Median(floor32), b32 = Median(tab32), a64 = Median(floor64), b64 = Median(tab64);
    met = met && a32 > 0 && b32 > 0 && b32 <= 1.5 * a32;
    std::printf("%-10s %10.1f %10.1f %8.2f %10.1f %10.1f %8.2f\n", load.name, a32, b32, a32 > 0 ? b32 / a32 : 0.0,
                a64, b64, a64 > 0 ? b64 / a64 : 0.0);
  }
  std::printf("goal 32-bit tab <= 1.5 x 32-bit floor: %s\n", Verdict(met));

  for (AddonBits bits : {AddonBits::k64, AddonBits::k32}) UnregisterAgent(bits);
  bench::UnregisterEchoServer();
  UnregisterHost();
  ::CoUninitialize();
  return 0;
}
