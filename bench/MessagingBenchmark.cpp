// A tab's round trip to the background page and back, against its floor, in µs
// per message of 100 bytes and of 100 KB:
//   (a) the floor: from this (tab) process, IBGC::dispatchMsg on a local server
//       that calls the tab channel's `send` with the same string before it
//       returns (echo_server.exe);
//   (b) a content script's extension.send("echo|…") in a tab of this process
//       (the WebBrowser stand-in, the page agent, the real host program), the
//       background page answering with the same text through the tab channel;
//   (c) the same for an extension in development (config.xml debug="true"),
//       where the host logs every message;
//   (d) in development, a content script's extension.log of the same text,
//       which the host writes to its log.
// Goals: b <= 1.5 * a; d <= 1.2 * a (a log line costs no more than a message
// and its answer).
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

enum class Mode { kSend, kLog };

// µs per call of the content script in a tab whose agent comes from folder.
double ContentScript(const Load& load, const std::wstring& pages, const std::wstring& folder, Mode mode) {
  BrowserHost tab;
  LoadedAgent agent(folder);
  if (!tab.IsValid() || !agent.SiteOn(tab.Browser())) return -1;
  const std::string html = "<html><body><div id='bench' data-size='" + std::to_string(load.size) + "' data-count='" +
                           std::to_string(load.count) + "'" + (mode == Mode::kLog ? " data-mode='log'" : "") +
                           "></div></body></html>";
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
  std::printf("%-8s %10s %12s %12s %12s %7s %7s %7s\n", "message", "(a) floor", "(b) content", "(c) debug",
              "(d) log", "b/a", "c/b", "d/a");
  bool met = true;
  bool logMet = true;
  for (const Load& load : kLoads) {
    const double a = tessary::bench::CallbackFloorMicroseconds(load.size, load.count);
    WaitForNoHost(15000);
    const double b = ContentScript(load, pages, ExtensionDirectory(), Mode::kSend);
    WaitForNoHost(15000);
    double c = -1;
    double d = -1;
    {
      TemporaryExtension debug(L"benchdebug");
      if (debug.Write(L"config.xml", "<addon version=\"1.0\" updateUrl=\"http://127.0.0.1/u\" debug=\"true\"/>") &&
          debug.Register() == 0) {
        c = ContentScript(load, pages, debug.Folder(), Mode::kSend);
        WaitForNoHost(15000);
        d = ContentScript(load, pages, debug.Folder(), Mode::kLog);
      }
    }
    met = met && a > 0 && b > 0 && b <= 1.5 * a;
    logMet = logMet && a > 0 && d > 0 && d <= 1.2 * a;
    std::printf("%-8s %10.1f %12.1f %12.1f %12.1f %7.2f %7.2f %7.2f\n", load.name, a, b, c, d, a > 0 ? b / a : 0.0,
                b > 0 ? c / b : 0.0, a > 0 ? d / a : 0.0);
  }
  std::printf("goal b <= 1.5 * a: %s\n", met ? "met" : "NOT met");
  std::printf("goal d <= 1.2 * a: %s\n", logMet ? "met" : "NOT met");
  tessary::bench::UnregisterEchoServer();
  UnregisterHost();
  ::CoUninitialize();
  return 0;
}
