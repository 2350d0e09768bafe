// A tab's round trip to the background page and back, against its floor, in µs
// per message of 100 bytes and of 100 KB:
//   (a) the floor: from this (tab) process, IBGC::dispatchMsg on a local server
//       that calls the tab channel's `send` with the same string before it
//       returns (echo_server.exe);
//   (b) a content script's extension.send("echo|…") in a tab of this process
//       (the WebBrowser stand-in, the page agent, the real host program), the
//       background page answering with the same text through the tab channel.
// Goal: b <= 1.5 * a.
#include <windows.h>

#include <cstdio>
#include <string>

#include <wrl/client.h>

#include "BrowserHost.h"
#include "Bstr.h"
#include "CallbackFloor.h"
#include "HostRegistration.h"
#include "LoadedAgent.h"
#include "Tessary.h"
#include "TestEnvironment.h"

using Microsoft::WRL::ComPtr;
using namespace tessary;
using namespace tessary::test;

namespace {

struct Load {
  const char* name;
  int size;
  int count;
};
const Load kLoads[] = {{"100 B", 100, 500}, {"100 KB", 100 * 1024, 100}};

double ContentScript(const Load& load, const std::wstring& pages) {
  BrowserHost tab;
  LoadedAgent agent(ExtensionDirectory());
  if (!tab.IsValid() || !agent.SiteOn(tab.Browser())) return -1;
  const std::string html = "<html><body><div id='bench' data-size='" + std::to_string(load.size) + "' data-count='" +
                           std::to_string(load.count) + "'></div></body></html>";
  if (!tab.Load(WriteTestPage(pages, L"bench.html", html))) return -1;
  if (!BrowserHost::PumpUntil([&] { return !BodyAttribute(tab, L"data-bench").empty(); }, 120000)) return -1;
  const std::wstring figures = BodyAttribute(tab, L"data-bench");
  const double milliseconds = _wtof(figures.c_str());
  const int answered = _wtoi(figures.c_str() + figures.find(L' ') + 1);
  if (answered != load.count) std::printf("warning: %d of %d messages answered\n", answered, load.count);
  return milliseconds * 1000 / load.count;
}

}  // namespace

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  if (RegisterHost() != 0) return 2;
  if (!tessary::bench::RegisterEchoServer()) return 3;
  const std::wstring pages = MakeTempFolder(L"bench");

  std::printf("messaging benchmark: µs per round trip (tab -> server -> tab)\n");
  std::printf("%-8s %12s %16s %10s\n", "message", "(a) floor", "(b) content", "b/a");
  bool met = true;
  for (const Load& load : kLoads) {
    const double a = tessary::bench::CallbackFloorMicroseconds(load.size, load.count);
    WaitForNoHost(15000);
    const double b = ContentScript(load, pages);
    WaitForNoHost(15000);
    met = met && a > 0 && b > 0 && b <= 1.5 * a;
    std::printf("%-8s %12.1f %16.1f %10.2f\n", load.name, a, b, a > 0 ? b / a : 0.0);
  }
  std::printf("goal b <= 1.5 * a: %s\n", met ? "met" : "NOT met");
  tessary::bench::UnregisterEchoServer();
  UnregisterHost();
  ::CoUninitialize();
  return 0;
}
