// The demo: a small client process that registers the host program, has COM
// start it, talks to it through IBGC and IBG, lets it end and prints its log.
#include <windows.h>

#include <cstdio>
#include <string>

#include <wrl/client.h>

#include "Bstr.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "Tessary.h"
#include "TestEnvironment.h"

using Microsoft::WRL::ComPtr;
using namespace tessary;
using namespace tessary::test;

namespace {

int Fail(const char* step, HRESULT hr) {
  std::printf("demo: %s failed, 0x%08lX\n", step, static_cast<unsigned long>(hr));
  return 1;
}

}  // namespace

int main() {
  if (FAILED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) return 1;
  std::printf("demo: registering %s\n", Narrow(HostProgram()).c_str());
  const DWORD registered = RegisterHost();
  if (registered != 0) return Fail("registration", registered);

  const DWORD started = ::GetTickCount();
  ComPtr<IBGC> bgc;
  HRESULT hr = ::CoCreateInstance(CLSID_CBGC, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&bgc));
  if (FAILED(hr)) return Fail("creating CBGC", hr);
  const auto hosts = FindProcesses(L"TessaryBG.exe");
  std::printf("demo: COM started TessaryBG.exe (process %lu) in %lu ms\n",
              hosts.empty() ? 0ul : static_cast<unsigned long>(hosts[0]),
              static_cast<unsigned long>(::GetTickCount() - started));

  int state = -1;
  bgc->getState(&state);
  std::printf("demo: IBGC::getState answers %d (the background page comes with a later step)\n", state);
  const int tabId = static_cast<int>(::GetCurrentProcessId());
  bgc->log(Bstr(L"hello from the demo client").Get(), tabId);

  ComPtr<IBG> bg;
  hr = ::CoCreateInstance(CLSID_CBG, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&bg));
  if (FAILED(hr)) return Fail("creating CBG", hr);
  int auth = -1;
  bg->getAuthState(&auth);
  std::printf("demo: IBG::getAuthState answers %d\n", auth);

  ChildProcess host = hosts.size() == 1 ? ChildProcess::Open(hosts[0]) : ChildProcess();
  const DWORD released = ::GetTickCount();
  bgc.Reset();
  bg.Reset();
  if (host.IsValid() && host.Wait(10000)) {
    std::printf("demo: the host ended %lu ms after the last release, exit code %lu\n",
                static_cast<unsigned long>(::GetTickCount() - released), static_cast<unsigned long>(host.ExitCode()));
  }

  std::printf("demo: %s\n----\n%s----\n", Narrow(LogFilePath()).c_str(), ReadFileBytes(LogFilePath()).c_str());
  ::CoUninitialize();
  return 0;
}
