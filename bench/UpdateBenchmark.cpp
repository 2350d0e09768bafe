// What the update costs for a large installer served from 127.0.0.1:
//   (a) the floor: the same bytes fetched with XMLHTTP into memory in this
//       process, and a BCrypt SHA-1 over the buffer;
//   (b) the host program's update thread: download, write and file hash, from
//       the "Yes" to the download prompt until the install prompt is shown;
// and the host's working set during (b) above its size before the check.
// Goals: b <= 1.3 * a; peak working set during b <= 2.5 * the file size above
// the host's idle size. An argument sets the size in MB (default 50).
#include <windows.h>
#include <msxml2.h>
#include <psapi.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include <wrl/client.h>

#include "../host/api/FileAccess.h"
#include "../host/program/Log.h"
#include "../host/updater/Sha1Hash.h"
#include "Bstr.h"
#include "ChildProcess.h"
#include "ConnectedTab.h"
#include "HostRegistration.h"
#include "MessageBoxes.h"
#include "PlatformUuids.h"
#include "Sha1Digest.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "Variant.h"

using namespace tessary;
using namespace tessary::test;
using Microsoft::WRL::ComPtr;
using Clock = std::chrono::steady_clock;

namespace {

double Seconds(Clock::duration d) { return std::chrono::duration<double>(d).count(); }
double Megabytes(size_t bytes) { return bytes / (1024.0 * 1024.0); }

std::string Installer(size_t size) {
  std::string bytes(size, '\0');
  uint32_t state = 12345;
  for (char& c : bytes) {
    state = state * 1103515245 + 12345;
    c = static_cast<char>(state >> 24);
  }
  return bytes;
}

// (a): XMLHTTP into memory, then SHA-1 over the response body.
bool FetchAndHash(const std::wstring& url, const std::string& expected, double* seconds) {
  const Clock::time_point start = Clock::now();
  ComPtr<IDispatch> dispatch;
  dispatch.Attach(host::NewXmlHttpRequest());
  ComPtr<IXMLHTTPRequest> request;
  Variant none;
  Variant body;
  if (!dispatch || FAILED(dispatch.As(&request)) ||
      FAILED(request->open(Bstr(L"GET").Get(), Bstr(url).Get(), ArgBool(false), *none, *none)) ||
      FAILED(request->send(*none)) || FAILED(request->get_responseBody(body.Put())) ||
      body->vt != (VT_ARRAY | VT_UI1)) {
    return false;
  }
  void* bytes = nullptr;
  if (FAILED(::SafeArrayAccessData(body->parray, &bytes))) return false;
  host::Log silent;
  host::Sha1Hash hash;
  std::wstring digest;
  const bool hashed = hash.Open(silent) && hash.Add(bytes, body->parray->rgsabound[0].cElements) &&
                      hash.Finish(silent, &digest);
  ::SafeArrayUnaccessData(body->parray);
  *seconds = Seconds(Clock::now() - start);
  return hashed && digest == std::wstring(expected.begin(), expected.end());
}

struct Memory {
  size_t workingSet = 0;
  size_t peak = 0;
};

Memory HostMemory(HANDLE process) {
  PROCESS_MEMORY_COUNTERS counters = {};
  counters.cb = sizeof(counters);
  if (!::GetProcessMemoryInfo(process, &counters, sizeof(counters))) return {};
  return {counters.WorkingSetSize, counters.PeakWorkingSetSize};
}

// (b): the host's update from the "Yes" to the install prompt, sampling the
// host's working set meanwhile.
bool HostUpdate(double* seconds, size_t* idle, size_t* sampledMax, size_t* peak) {
  ConnectedTab tab(1);
  if (!tab.Connect()) return false;
  const std::vector<DWORD> hosts = FindProcesses(L"TessaryBG.exe");
  if (hosts.size() != 1) return false;
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, hosts[0]));
  *idle = HostMemory(process.Get()).workingSet;
  if (tab.Ask(L"update") != L"update asked") return false;
  const MessageBoxWindow download = WaitForMessageBox(L"Zadezeri", 60000);
  if (!download.window) return false;
  const Clock::time_point start = Clock::now();
  if (!PressButton(download.window, IDYES)) return false;
  MessageBoxWindow install;
  *sampledMax = 0;
  WaitUntil(
      [&] {
        *sampledMax = std::max(*sampledMax, HostMemory(process.Get()).workingSet);
        install = WaitForMessageBox(L"Zadezeri", 0);
        return install.window != nullptr;
      },
      30 * 60 * 1000, 20);
  *seconds = Seconds(Clock::now() - start);
  *peak = HostMemory(process.Get()).peak;
  return install.window && PressButton(install.window, IDNO);
}

}  // namespace

int main(int argc, char** argv) {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  const size_t size = (argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 50) << 20;
  const std::string installer = Installer(size);
  const std::string digest = Sha1Digest(installer);
  TestHttpServer server;
  if (!server.IsListening() || digest.empty()) return 2;
  server.Serve("/setup.exe", installer, "application/octet-stream");
  server.Serve("/update.xml", "<updates><r><version>2.0</version><url>" + Narrow(server.Url("/setup.exe")) +
                                  "</url><hash>" + digest + "</hash></r></updates>");

  double floor = 0;
  if (!FetchAndHash(server.Url("/setup.exe"), digest, &floor)) return 3;

  const std::wstring folder = DataDirectory() + L"tmp\\";
  RemoveFolder(folder);
  double update = 0;
  size_t idle = 0;
  size_t sampled = 0;
  size_t peak = 0;
  bool updated = false;
  {
    TemporaryExtension extension(L"updatebench");
    extension.Write(L"config.xml", "<addon version=\"1.0\" updateUrl=\"" + Narrow(server.Url("/update.xml")) + "\"/>");
    if (extension.Register() != 0) return 4;
    updated = HostUpdate(&update, &idle, &sampled, &peak);
    DismissMessageBoxes(L"Zadezeri", IDNO);
    WaitForNoHost(60000);
  }
  const bool verified = ReadFileBytes(folder + L"setup.exe") == installer;
  RemoveFolder(folder);
  if (!updated || !verified) return 5;

  std::printf("update benchmark: a %.0f MB installer from 127.0.0.1 (%d requests for it)\n", Megabytes(size),
              server.RequestsFor("/setup.exe"));
  std::printf("(a) floor, XMLHTTP into memory + SHA-1 over the buffer: %.2f s\n", floor);
  std::printf("(b) update thread, download + write + file hash:       %.2f s (%.2f x a)\n", update, update / floor);
  std::printf("host working set: idle %.1f MB, during b up to %.1f MB sampled, lifetime peak %.1f MB\n",
              Megabytes(idle), Megabytes(sampled), Megabytes(peak));
  const double above = Megabytes(std::max(sampled, peak) - std::min(idle, std::max(sampled, peak)));
  std::printf("peak above idle: %.1f MB = %.2f x the file size\n", above, above / Megabytes(size));
  std::printf("goals b <= 1.3 a: %s; peak <= 2.5 x size: %s\n", update <= 1.3 * floor ? "met" : "NOT met",
              above <= 2.5 * Megabytes(size) ? "met" : "NOT met");
  ::CoUninitialize();
  return 0;
}
