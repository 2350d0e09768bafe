#include "HostRegistration.h"

#include <cstdio>

#include "ChildProcess.h"
#include "Registrar.h"
#include "Registry.h"
#include "Tessary.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

std::wstring TypeLibVersionKey(REFGUID libid) { return L"TypeLib\\" + GuidString(libid) + L"\\1.0"; }

}  // namespace

// Once in a few hundred suite runs Wine fails to run the program at all (the
// code is -1 before it could write a key): a second try tells that apart from
// a registration that fails, which fails twice.
DWORD RegisterHost(const std::wstring& program) {
  DWORD code = RunProgram(program, L"-RegServer");
  if (code != 0) {
    fprintf(stderr, "registering the host program gave %lu; trying once more\n", static_cast<unsigned long>(code));
    code = RunProgram(program, L"-RegServer");
  }
  if (code == 0) AddNeutralLocaleTypeLib(LIBID_Tessary);
  return code;
}

DWORD UnregisterHost(const std::wstring& program) {
  RemoveNeutralLocaleTypeLib(LIBID_Tessary);
  return RunProgram(program, L"-UnregServer");
}

const wchar_t kAgentClsid[] = L"{B580D708-9951-45B4-A888-4B9A6F4BE682}";

namespace {

std::wstring Suffix(AddonBits bits) { return bits == AddonBits::k32 ? L"32" : L""; }

}  // namespace

std::wstring AgentLibrary(AddonBits bits) { return ExtensionDirectory() + L"pagelet" + Suffix(bits) + L".dll"; }

DWORD Regsvr32(const std::wstring& arguments, const std::wstring& library, AddonBits bits) {
  const wchar_t* program = bits == AddonBits::k32 ? L"C:\\windows\\syswow64\\regsvr32.exe"
                                                   : L"C:\\windows\\system32\\regsvr32.exe";
  return RunProgram(program, arguments + L" \"" + library + L"\"");
}

DWORD RegisterAgent(AddonBits bits) { return Regsvr32(L"/s", AgentLibrary(bits), bits); }

DWORD UnregisterAgent(AddonBits bits) { return Regsvr32(L"/s /u", AgentLibrary(bits), bits); }

const wchar_t kToolbarClsid[] = L"{37DFFA47-3115-49D4-B6BA-33A43B3B0846}";

std::wstring ToolbarLibrary(AddonBits bits) { return ExtensionDirectory() + L"barlet" + Suffix(bits) + L".dll"; }

DWORD RegisterToolbar(AddonBits bits) { return Regsvr32(L"/s", ToolbarLibrary(bits), bits); }

DWORD UnregisterToolbar(AddonBits bits) { return Regsvr32(L"/s /u", ToolbarLibrary(bits), bits); }

REGSAM ViewOf(AddonBits bits) { return bits == AddonBits::k32 ? KEY_WOW64_32KEY : KEY_WOW64_64KEY; }

// The whole locale key is copied, its win32 and win64 entries alike: 32-bit
// clients of the 64-bit host need the one as 64-bit clients need the other.
void AddNeutralLocaleTypeLib(REFGUID libid, HKEY root) {
  const std::wstring key = TypeLibVersionKey(libid);
  CopyTree(root, key + L"\\409", key + L"\\0");
}

void RemoveNeutralLocaleTypeLib(REFGUID libid, HKEY root) { DeleteTree(root, TypeLibVersionKey(libid) + L"\\0"); }

namespace {

void RestartComService() {
  SC_HANDLE manager = ::OpenSCManagerW(nullptr, nullptr, SC_MANAGER_CONNECT);
  SC_HANDLE service = manager ? ::OpenServiceW(manager, L"RpcSs", SERVICE_STOP | SERVICE_QUERY_STATUS) : nullptr;
  SERVICE_STATUS status = {};
  if (service && ::ControlService(service, SERVICE_CONTROL_STOP, &status)) {
    for (int i = 0; i < 100 && ::QueryServiceStatus(service, &status) && status.dwCurrentState != SERVICE_STOPPED; ++i) {
      ::Sleep(50);
    }
  }
  if (service) ::CloseServiceHandle(service);
  if (manager) ::CloseServiceHandle(manager);
}

}  // namespace

void KillHost() {
  for (DWORD id : FindProcesses(L"TessaryBG.exe")) ChildProcess::Open(id).Terminate();
  RestartComService();
}

bool WaitForNoHost(DWORD timeoutMs) { return WaitForNoProcess(L"TessaryBG.exe", timeoutMs); }

}  // namespace tessary::test

namespace tessary::test {

TemporaryExtension::TemporaryExtension(const std::wstring& name) : folder_(MakeTempFolder(name)) {
  CopyFolder(ExtensionDirectory(), folder_);
}

TemporaryExtension::~TemporaryExtension() {
  WaitForNoHost(15000);
  RegisterHost();
}

bool TemporaryExtension::Write(const std::wstring& name, const std::string& bytes) const {
  return WriteFileBytes(folder_ + name, bytes);
}

bool TemporaryExtension::Remove(const std::wstring& name) const { return ::DeleteFileW((folder_ + name).c_str()); }

DWORD TemporaryExtension::Register() const { return RegisterHost(Program()); }

}  // namespace tessary::test
