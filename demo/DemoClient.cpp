// The demo: a small client process that registers the host program, has COM
// start it, and talks to the background page the way a page agent does: it
// connects with a tab channel of its own, asks the page to store a value and
// to read it back, then lets the host end and prints its log.
#include <windows.h>

#include <cstdio>
#include <string>

#include <wrl/client.h>

#include "Bstr.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "RecordingChannel.h"
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

bool WaitUntilReady(IBGC* bgc) {
  for (int i = 0; i < 200; ++i) {
    int state = 0;
    bgc->getState(&state);
    if (state) return true;
    ::Sleep(50);
  }
  return false;
}

// Sends a message to the background page; its answer arrives on the channel
// before the call returns.
std::string Ask(IBGC* bgc, RecordingChannel& channel, int tabId, const std::wstring& message) {
  std::printf("demo: -> %s\n", Narrow(message).c_str());
  bgc->dispatchMsg(Bstr(message).Get(), tabId);
  const std::string answer = Narrow(channel.Last());
  std::printf("demo: <- %s\n", answer.c_str());
  return answer;
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
  if (!WaitUntilReady(bgc.Get())) return Fail("waiting for the background page", E_PENDING);
  std::printf("demo: the background page is running (%lu ms after the start)\n",
              static_cast<unsigned long>(::GetTickCount() - started));

  {
    RecordingChannel channel;
    const int tabId = static_cast<int>(::GetCurrentProcessId());
    hr = bgc->connect(tabId, channel.Dispatch(), Bstr(L"demo://client").Get());
    if (FAILED(hr)) return Fail("connecting", hr);
    Ask(bgc.Get(), channel, tabId, L"set|greeting|Hello from the background page's storage");
    Ask(bgc.Get(), channel, tabId, L"get|greeting");
    bgc->disconnect(tabId, channel.Dispatch());
  }

  ChildProcess host = hosts.size() == 1 ? ChildProcess::Open(hosts[0]) : ChildProcess();
  const DWORD released = ::GetTickCount();
  bgc.Reset();
  if (host.IsValid() && host.Wait(10000)) {
    std::printf("demo: the host ended %lu ms after the last release, exit code %lu\n",
                static_cast<unsigned long>(::GetTickCount() - released), static_cast<unsigned long>(host.ExitCode()));
  }

  std::printf("demo: %s\n----\n%s----\n", Narrow(LogFilePath()).c_str(), ReadFileBytes(LogFilePath()).c_str());
  ::CoUninitialize();
  return 0;
}
