#include "ChildProcess.h"

#include <psapi.h>

#include <cstdio>

#include <tlhelp32.h>

namespace tessary::test {

ChildProcess ChildProcess::Start(const std::wstring& exe, const std::wstring& arguments) {
  STARTUPINFOW startup = {sizeof(startup)};
  return Create(exe, arguments, &startup, false);
}

ChildProcess ChildProcess::StartSharingOutput(const std::wstring& exe, const std::wstring& arguments) {
  STARTUPINFOW startup = {sizeof(startup)};
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
  startup.hStdError = ::GetStdHandle(STD_ERROR_HANDLE);
  return Create(exe, arguments, &startup, true);
}

ChildProcess ChildProcess::Create(const std::wstring& exe, const std::wstring& arguments, STARTUPINFOW* startup,
                                  bool inherit) {
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  PROCESS_INFORMATION info = {};
  ChildProcess child;
  if (::CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, inherit, 0, nullptr, nullptr, startup,
                       &info)) {
    ::CloseHandle(info.hThread);
    child.process_.Reset(info.hProcess);
    child.id_ = info.dwProcessId;
  }
  return child;
}

ChildProcess ChildProcess::Open(DWORD processId) {
  ChildProcess child;
  child.process_.Reset(
      ::OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION | PROCESS_TERMINATE, FALSE, processId));
  if (child.process_) child.id_ = processId;
  return child;
}

bool ChildProcess::Wait(DWORD milliseconds) const {
  return process_ && ::WaitForSingleObject(process_.Get(), milliseconds) == WAIT_OBJECT_0;
}

DWORD ChildProcess::ExitCode() const {
  DWORD code = STILL_ACTIVE;
  if (process_) ::GetExitCodeProcess(process_.Get(), &code);
  return code;
}

void ChildProcess::Terminate() {
  if (!process_) return;
  ::TerminateProcess(process_.Get(), 0xDEAD);
  Wait(10000);
}

DWORD RunProgram(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs) {
  ChildProcess child = ChildProcess::Start(exe, arguments);
  if (!child.IsValid()) {
    fprintf(stderr, "cannot start %ls (error %lu)\n", exe.c_str(), ::GetLastError());
    return static_cast<DWORD>(-1);
  }
  if (!child.Wait(timeoutMs)) {
    child.Terminate();
    return STILL_ACTIVE;
  }
  return child.ExitCode();
}

std::vector<DWORD> FindProcesses(const std::wstring& name) {
  std::vector<DWORD> ids;
  UniqueHandle snapshot(::CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot) return ids;
  PROCESSENTRY32W entry = {sizeof(entry)};
  for (BOOL more = ::Process32FirstW(snapshot.Get(), &entry); more; more = ::Process32NextW(snapshot.Get(), &entry)) {
    if (_wcsicmp(entry.szExeFile, name.c_str()) == 0) ids.push_back(entry.th32ProcessID);
  }
  return ids;
}

bool WaitForProcessEnd(DWORD processId, DWORD milliseconds) {
  const ChildProcess process = ChildProcess::Open(processId);
  return !process.IsValid() || process.Wait(milliseconds);
}

bool WaitForNoProcess(const std::wstring& name, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  for (;;) {
    bool running = false;
    // Waiting on each process, rather than sleeping, ends the wait as soon as the last one goes.
    for (DWORD id : FindProcesses(name)) running = !WaitForProcessEnd(id, 50) || running;
    if (!running) return true;
    if (::GetTickCount64() > deadline) return false;
  }
}

SIZE_T WorkingSetOf(const std::wstring& name) {
  const std::vector<DWORD> ids = FindProcesses(name);
  return ids.size() == 1 ? WorkingSetOfProcess(ids[0]) : 0;
}

SIZE_T WorkingSetOfProcess(DWORD id) {
  UniqueHandle process(::OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id));
  PROCESS_MEMORY_COUNTERS counters = {sizeof(counters)};
  return process && ::K32GetProcessMemoryInfo(process.Get(), &counters, sizeof(counters)) ? counters.WorkingSetSize
                                                                                           : 0;
}

}  // namespace tessary::test
