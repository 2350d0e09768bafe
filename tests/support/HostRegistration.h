#pragma once
// Registration of the staged host program for tests that talk to it over COM,
// with the one fix-up Wine needs: its type-library marshaler looks only for the
// library under locale 0, while the program registers it (correctly) under 0x409.
#include <windows.h>

#include <string>

#include "TestEnvironment.h"

namespace tessary::test {

DWORD RegisterHost(const std::wstring& program = HostProgram());
DWORD UnregisterHost(const std::wstring& program = HostProgram());

void AddNeutralLocaleTypeLib(REFGUID libid, HKEY root = HKEY_CLASSES_ROOT);
void RemoveNeutralLocaleTypeLib(REFGUID libid, HKEY root = HKEY_CLASSES_ROOT);

// The staged page agent (pagelet.dll), its class identifier, and its
// registration through regsvr32 as an installer runs it; 0 on success.
extern const wchar_t kAgentClsid[];
std::wstring AgentLibrary();
DWORD Regsvr32(const std::wstring& arguments, const std::wstring& library = AgentLibrary());
DWORD RegisterAgent();
DWORD UnregisterAgent();

// The staged toolbar band (barlet.dll) and its class identifier; registered
// through regsvr32 as for the page agent.
extern const wchar_t kToolbarClsid[];
std::wstring ToolbarLibrary();
DWORD RegisterToolbar();
DWORD UnregisterToolbar();

// Waits until no TessaryBG.exe runs any more; false if one still does.
bool WaitForNoHost(DWORD timeoutMs);

// Kills the running host program the way a crash would end it. Wine's COM
// service keeps a killed server's class objects registered (Windows drops them
// with the process), so this also restarts that service: the next activation
// then starts a new host, as it would on Windows.
void KillHost();

// An extension directory of a test's own: a copy of the staged extension (host
// program included) that the test may change, registered in place of the
// staged one while it lives.
class TemporaryExtension {
 public:
  explicit TemporaryExtension(const std::wstring& name);
  ~TemporaryExtension();
  TemporaryExtension(const TemporaryExtension&) = delete;
  TemporaryExtension& operator=(const TemporaryExtension&) = delete;

  const std::wstring& Folder() const { return folder_; }
  std::wstring Program() const { return folder_ + L"TessaryBG.exe"; }
  bool Write(const std::wstring& name, const std::string& bytes) const;
  bool Remove(const std::wstring& name) const;
  // Registers this copy of the host program; 0 on success.
  DWORD Register() const;

 private:
  std::wstring folder_;
};

}  // namespace tessary::test
