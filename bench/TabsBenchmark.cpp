// Tabs sharing a process, as Internet Explorer runs them (TabProcGrowth), in
// the browser stand-in with the product's page agent and the real host program:
//
// (1) Opening a tab until its content script's main runs, in ms (medians): a
//     tab in the existing tab process (TabProcGrowth 1) against a tab in a new
//     process (no TabProcGrowth). The content script tells this program
//     through the background page, which sends to every channel, this
//     program's among them. Goal: shared <= 1.0 x new.
// (2) Memory, in MB per extra tab over 12 tabs in one tab process: the tab
//     process's working-set growth with no add-on, with the reference add-on
//     (the tests' Browser Helper Object, which sinks the browser's events and
//     keeps a message-only window) and with the page agent, whose own share is
//     its growth less the growth with no add-on (its script engine and
//     context included). Goal: agent <= 1.3 x reference. Also shown: the
//     threads the tab process has then, with each add-on: under Wine, every
//     apartment that the host calls into (a tab's channel) gets a thread of
//     the RPC runtime's of its own.
// (3) Round trips content script -> background page -> content script, in
//     messages per second, 12 tabs at once: in 3 tab processes (TabProcGrowth
//     3) against 12 processes (no TabProcGrowth). Goal: shared >= 0.9 x apart.
#include <tlhelp32.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "BackgroundClient.h"
#include "BrowserSession.h"
#include "ChildProcess.h"
#include "ControlChannel.h"
#include "HostRegistration.h"
#include "TabProcGrowth.h"
#include "TestAddon.h"
#include "TestEnvironment.h"
#include "UniqueHandle.h"

using namespace tessary;
using namespace tessary::test;

namespace {

constexpr int kOpens = 7;
constexpr int kTabs = 12;
constexpr int kMessagesPerTab = 150;

double Now() {
  LARGE_INTEGER frequency, now;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&now);
  return now.QuadPart * 1000.0 / frequency.QuadPart;
}

double Median(std::vector<double> values) {
  if (values.empty()) return -1;
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// (1): from asking the frame for a tab to its main telling this program.
std::vector<double> OpenToMain(std::optional<DWORD> growth, const std::wstring& folder, BackgroundClient& client) {
  std::optional<TabProcGrowth> setting;
  if (growth) setting.emplace(*growth);
  std::vector<double> times;
  auto session = BrowserSession::Start(WriteTestPage(folder, L"first.html", AskingPage("echo|first")));
  if (!session) return times;
  session->WaitForText(session->Tabs().at(0), L"answer", L"first", 30000);
  double arrived = 0;
  std::wstring expected;
  client.Channel().OnReceived([&](const std::wstring& text) {
    if (text == expected) arrived = Now();
  });
  for (int i = 0; i < kOpens; ++i) {
    expected = L"opened " + std::to_wstring(i);
    const std::wstring page =
        WriteTestPage(folder, L"open" + std::to_wstring(i) + L".html", AskingPage("all|" + Narrow(expected)));
    arrived = 0;
    const double start = Now();
    // The frame answers once the tab is up; its page may run sooner, and this
    // thread must take the background page's call meanwhile.
    std::thread opener([&] {
      ControlClient frame;
      if (frame.Connect(session->FrameProcessId(), 30000)) frame.Request({L"open", page}, 60000);
    });
    PumpMessagesUntil([&] { return arrived != 0; }, 60000);
    opener.join();
    if (arrived != 0) times.push_back(arrived - start);
  }
  client.Channel().OnReceived(nullptr);
  session->Stop();
  return times;
}

int ThreadsOf(DWORD process) {
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0));
  THREADENTRY32 entry = {sizeof(entry)};
  int threads = 0;
  for (BOOL more = ::Thread32First(snapshot.Get(), &entry); more; more = ::Thread32Next(snapshot.Get(), &entry)) {
    threads += entry.th32OwnerProcessID == process ? 1 : 0;
  }
  return threads;
}

struct ProcessGrowth {
  double megabytesPerTab = -1;
  int threads = 0;
};

// (2): MB per tab the tab process grows by, from its first tab to its 12th.
ProcessGrowth GrowthPerTab(const std::wstring& folder, bool waitForMain) {
  const TabProcGrowth setting(1);
  const std::wstring page = WriteTestPage(folder, L"memory.html", AskingPage("echo|ready"));
  auto session = BrowserSession::Start(page);
  if (!session) return {};
  const auto settle = [&](DWORD tab) {
    if (waitForMain) session->WaitForText(tab, L"answer", L"ready", 30000);
    ::Sleep(500);
  };
  const DWORD first = session->Tabs().at(0);
  settle(first);
  const DWORD process = session->TabProcess(first);
  const SIZE_T before = WorkingSetOfProcess(process);
  for (int i = 1; i < kTabs; ++i) {
    const DWORD tab = session->OpenTab(page);
    if (!tab) return {};
    settle(tab);
  }
  ProcessGrowth growth;
  growth.megabytesPerTab = (static_cast<double>(WorkingSetOfProcess(process)) - static_cast<double>(before)) /
                           (kTabs - 1) / (1024.0 * 1024.0);
  growth.threads = ThreadsOf(process);
  session->Stop();
  return growth;
}

// (3): messages per second, 12 tabs running their sequences at once.
double Throughput(std::optional<DWORD> growth, const std::wstring& folder) {
  std::optional<TabProcGrowth> setting;
  if (growth) setting.emplace(*growth);
  const std::wstring page = WriteTestPage(
      folder, L"sequence.html",
      "<button id='run' data-count='" + std::to_string(kMessagesPerTab) +
          "'>run</button><div id='sequence-result'>none</div><div id='request' data-message='echo|ready'></div>"
          "<div id='answer'>none</div>");
  auto session = BrowserSession::Start(page);
  if (!session) return -1;
  std::vector<DWORD> tabs = session->Tabs();
  while (static_cast<int>(tabs.size()) < kTabs) tabs.push_back(session->OpenTab(page));
  for (DWORD tab : tabs) session->WaitForText(tab, L"answer", L"ready", 30000);
  std::printf("  %zu tab processes\n", session->TabProcesses().size());
  const std::wstring done = L"run: ok " + std::to_wstring(kMessagesPerTab);
  const double start = Now();
  for (DWORD tab : tabs) session->Click(tab, L"run");
  for (DWORD tab : tabs) {
    WaitUntil([&] { return session->Text(tab, L"sequence-result").rfind(L"run:", 0) == 0; }, 300000, 10);
    if (session->Text(tab, L"sequence-result") != done) std::printf("warning: tab %lu did not finish\n", tab);
  }
  const double seconds = (Now() - start) / 1000;
  session->Stop();
  return kTabs * kMessagesPerTab / seconds;
}

const char* Goal(bool met) { return met ? "met" : "NOT met"; }

}  // namespace

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  if (RegisterHost() != 0 || RegisterAgent() != 0) return 2;
  const std::wstring folder = MakeTempFolder(L"tabs-bench");
  std::printf("tabs benchmark: tabs sharing a process\n");

  BackgroundClient client(1);
  if (!client.Connect()) return 3;
  const double apart = Median(OpenToMain(std::nullopt, folder, client));
  const double shared = Median(OpenToMain(1, folder, client));
  std::printf(
      "(1) open a tab until its main runs, ms (median of %d): new process %.1f, existing process %.1f, "
      "ratio %.2f, goal <= 1.0: %s\n",
      kOpens, apart, shared, shared / apart, Goal(shared > 0 && shared <= apart));
  client.Bgc()->disconnect(client.Id(), client.Channel().Dispatch());

  const ProcessGrowth agent = GrowthPerTab(folder, true);
  UnregisterAgent();
  WaitForNoHost(15000);
  const ProcessGrowth bare = GrowthPerTab(folder, false);
  ProcessGrowth reference;
  {
    TestAddon helper(TestAddon::kHelper);
    if (helper.IsRegistered()) reference = GrowthPerTab(folder, false);
  }
  const double ratio = agent.megabytesPerTab / reference.megabytesPerTab;
  std::printf(
      "(2) MB per extra tab in one tab process over %d tabs: no add-on %.2f, reference add-on %.2f, "
      "page agent %.2f (its own %.2f); agent / reference %.2f, goal <= 1.3: %s\n",
      kTabs, bare.megabytesPerTab, reference.megabytesPerTab, agent.megabytesPerTab,
      agent.megabytesPerTab - bare.megabytesPerTab, ratio, Goal(reference.megabytesPerTab > 0 && ratio <= 1.3));
  std::printf("    threads of the tab process with %d tabs: no add-on %d, reference add-on %d, page agent %d\n", kTabs,
              bare.threads, reference.threads, agent.threads);

  RegisterAgent();
  std::printf("(3) round trips of %d tabs at once, %d messages each:\n", kTabs, kMessagesPerTab);
  const double separate = Throughput(std::nullopt, folder);
  const double together = Throughput(3, folder);
  std::printf("(3) messages per second: 12 processes %.0f, 3 processes %.0f, ratio %.2f, goal >= 0.9: %s\n", separate,
              together, together / separate, Goal(together >= 0.9 * separate));
  UnregisterAgent();
  WaitForNoHost(15000);
  UnregisterHost();
  ::CoUninitialize();
  return 0;
}
