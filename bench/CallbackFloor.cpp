#include "CallbackFloor.h"

#include <cstdio>
#include <string>

#include <wrl/client.h>

#include "Bstr.h"
#include "ModulePath.h"
#include "RecordingChannel.h"
#include "Registry.h"
#include "Tessary.h"

using Microsoft::WRL::ComPtr;

namespace tessary::bench {

namespace {

// {5D3C1E2A-7F4B-4C61-9A8E-2B6F0D9C4E71}
constexpr CLSID kClsidEchoServer = {0x5d3c1e2a, 0x7f4b, 0x4c61, {0x9a, 0x8e, 0x2b, 0x6f, 0x0d, 0x9c, 0x4e, 0x71}};
constexpr wchar_t kEchoServerKey[] = L"CLSID\\{5D3C1E2A-7F4B-4C61-9A8E-2B6F0D9C4E71}\\LocalServer32";

}  // namespace

bool RegisterEchoServer() {
  const std::wstring program = FolderOf(ModuleFileName(nullptr)) + L"echo_server.exe";
  return test::CreateKey(HKEY_CLASSES_ROOT, kEchoServerKey) &&
         ::RegSetKeyValueW(HKEY_CLASSES_ROOT, kEchoServerKey, nullptr, REG_SZ, program.c_str(),
                           static_cast<DWORD>((program.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

void UnregisterEchoServer() { test::DeleteTree(HKEY_CLASSES_ROOT, L"CLSID\\{5D3C1E2A-7F4B-4C61-9A8E-2B6F0D9C4E71}"); }

double CallbackFloorMicroseconds(int size, int count) {
  ComPtr<IBGC> server;
  if (FAILED(::CoCreateInstance(kClsidEchoServer, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&server)))) return -1;
  test::RecordingChannel channel;
  server->connect(1, channel.Dispatch(), Bstr(L"bench").Get());
  Bstr message(L"echo|" + std::wstring(size, L'x'));
  server->dispatchMsg(message.Get(), 1);
  LARGE_INTEGER frequency, start, end;
  ::QueryPerformanceFrequency(&frequency);
  ::QueryPerformanceCounter(&start);
  for (int i = 0; i < count; ++i) server->dispatchMsg(message.Get(), 1);
  ::QueryPerformanceCounter(&end);
  server->disconnect(1, channel.Dispatch());
  if (static_cast<int>(channel.Received().size()) != count + 1) std::printf("warning: the floor lost messages\n");
  return (end.QuadPart - start.QuadPart) * 1e6 / frequency.QuadPart / count;
}

}  // namespace tessary::bench
