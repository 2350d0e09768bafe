#pragma once
// The control channel of the Internet Explorer stand-in: a named pipe for each
// of its processes (the frame and every tab) that carries one request line and
// then one reply line at a time. A line is UTF-8 text, its fields separated by
// tabs; a backslash, tab, carriage return or line feed inside a field is
// escaped as \\, \t, \r or \n. A reply's first field is "ok" or "error".
#include <windows.h>

#include <string>
#include <vector>

#include "UniqueHandle.h"

namespace tessary::test {

using ControlFields = std::vector<std::wstring>;

// \\.\pipe\tessary-iexplore-<process id>
std::wstring ControlPipeName(DWORD processId);

// A line with its line end.
std::string EncodeControlLine(const ControlFields& fields);
// A line without its line end.
ControlFields DecodeControlLine(const std::string& line);

ControlFields ControlOk(ControlFields values = {});
ControlFields ControlError(const std::wstring& message);
ControlFields ControlUsage(const std::wstring& usage);
bool IsControlOk(const ControlFields& reply);

// Numbers, identifiers (of processes, threads and tabs, all 32-bit) and window
// handles travel as unsigned decimals; a field is read as one only when it is
// one as a whole.
bool ParseControlNumber(const std::wstring& field, unsigned long long* number);
bool ParseControlId(const std::wstring& field, DWORD* id);
bool ParseControlWindow(const std::wstring& field, HWND* window);
std::wstring ControlWindowField(HWND window);

// Reads lines from a pipe opened for blocking reads (the server's side).
class ControlLineReader {
 public:
  explicit ControlLineReader(HANDLE pipe) : pipe_(pipe) {}
  // False once the pipe is broken or closed.
  bool Read(ControlFields* fields);

 private:
  HANDLE pipe_;
  std::string buffer_;
};

bool WriteControlLine(HANDLE pipe, const ControlFields& fields);

// The client's side: every wait is bounded, so a process that hangs or goes
// away yields an error reply instead of a hung caller.
class ControlClient {
 public:
  // Waits for the pipe of that process to accept a connection, for as long as
  // the process lives and the time lasts.
  bool Connect(DWORD processId, DWORD timeoutMs);
  // Connects first when not connected. On a broken channel or when the time
  // runs out the reply is an error and the connection is dropped, so that a
  // late answer never passes for the next one.
  ControlFields Request(const ControlFields& request, DWORD timeoutMs);

 private:
  bool WriteAll(const std::string& bytes, ULONGLONG deadline);
  bool ReadLine(std::string* line, ULONGLONG deadline);
  bool Transfer(bool write, void* data, DWORD size, DWORD* done, ULONGLONG deadline);

  DWORD processId_ = 0;
  UniqueHandle pipe_;
  UniqueHandle event_;
  std::string buffer_;
};

}  // namespace tessary::test
