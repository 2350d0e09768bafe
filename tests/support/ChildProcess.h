#pragma once
// A second Windows process of the test prefix, started and watched by a test.
#include <windows.h>

#include <string>
#include <vector>

#include "UniqueHandle.h"

namespace tessary::test {

class ChildProcess {
 public:
  // Starts `exe` with the given arguments (appended to the quoted path).
  static ChildProcess Start(const std::wstring& exe, const std::wstring& arguments = L"");
  // Starts a process that writes to this process's standard output and error.
  static ChildProcess StartSharingOutput(const std::wstring& exe, const std::wstring& arguments);
  // Takes hold of a process that someone else (COM) started.
  static ChildProcess Open(DWORD processId);

  bool IsValid() const { return process_.IsValid(); }
  HANDLE Handle() const { return process_.Get(); }
  DWORD Id() const { return id_; }
  // True when the process ended within the time.
  bool Wait(DWORD milliseconds) const;
  bool IsRunning() const { return !Wait(0); }
  DWORD ExitCode() const;
  void Terminate();

 private:
  static ChildProcess Create(const std::wstring& exe, const std::wstring& arguments, STARTUPINFOW* startup,
                             bool inherit);

  UniqueHandle process_;
  DWORD id_ = 0;
};

// Starts the program, waits for it and returns its exit code; STILL_ACTIVE
// (after killing it) when it did not end within the time.
DWORD RunProgram(const std::wstring& exe, const std::wstring& arguments, DWORD timeoutMs = 60000);

// Identifiers of the running processes whose file name is `name` (any case).
std::vector<DWORD> FindProcesses(const std::wstring& name);

// True when the process ended within the time. One that cannot be opened
// counts as ended: its identifier names no process any more.
bool WaitForProcessEnd(DWORD processId, DWORD milliseconds);

// The working set of the one running process of that file name, in bytes; 0
// when there is not exactly one or it cannot be read.
SIZE_T WorkingSetOf(const std::wstring& name);
// The working set of a process, in bytes; 0 when it cannot be read.
SIZE_T WorkingSetOfProcess(DWORD id);

// Waits until no process of that file name runs; false if one still does.
// A listed process that cannot be opened counts as ended, as above.
bool WaitForNoProcess(const std::wstring& name, DWORD timeoutMs);

}  // namespace tessary::test
