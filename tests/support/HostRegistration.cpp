#include "HostRegistration.h"

#include "ChildProcess.h"
#include "Registrar.h"
#include "Registry.h"
#include "Tessary.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

std::wstring TypeLibVersionKey(REFGUID libid) { return L"TypeLib\\" + GuidString(libid) + L"\\1.0"; }

}  // namespace

DWORD RegisterHost() {
  const DWORD code = RunProgram(HostProgram(), L"-RegServer");
  if (code == 0) AddNeutralLocaleTypeLib(LIBID_Tessary);
  return code;
}

DWORD UnregisterHost() {
  RemoveNeutralLocaleTypeLib(LIBID_Tessary);
  return RunProgram(HostProgram(), L"-UnregServer");
}

void AddNeutralLocaleTypeLib(REFGUID libid, HKEY root) {
  const std::wstring key = TypeLibVersionKey(libid);
  CopyTree(root, key + L"\\409", key + L"\\0");
}

void RemoveNeutralLocaleTypeLib(REFGUID libid, HKEY root) { DeleteTree(root, TypeLibVersionKey(libid) + L"\\0"); }

bool WaitForNoHost(DWORD timeoutMs) {
  const DWORD start = ::GetTickCount();
  for (;;) {
    bool running = false;
    for (DWORD id : FindProcesses(L"TessaryBG.exe")) {
      ChildProcess host = ChildProcess::Open(id);
      if (host.IsValid() && !host.Wait(100)) running = true;
    }
    if (!running) return true;
    if (::GetTickCount() - start > timeoutMs) return false;
  }
}

}  // namespace tessary::test
