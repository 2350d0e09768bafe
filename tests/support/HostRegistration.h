#pragma once
// Registration of the staged host program for tests that talk to it over COM,
// with the one fix-up Wine needs: its type-library marshaler looks only for the
// library under locale 0, while the program registers it (correctly) under
// 0x409, for 64-bit clients (win64) and 32-bit ones (win32) alike.
#include <windows.h>

#include <string>

#include "TestEnvironment.h"

namespace tessary::test {

DWORD RegisterHost(const std::wstring& program = HostProgram());
DWORD UnregisterHost(const std::wstring& program = HostProgram());

void AddNeutralLocaleTypeLib(REFGUID libid, HKEY root = HKEY_CLASSES_ROOT);
void RemoveNeutralLocaleTypeLib(REFGUID libid, HKEY root = HKEY_CLASSES_ROOT);

// The add-ons ship as 64-bit libraries and as 32-bit ones beside them
// (pagelet32.dll, barlet32.dll) for Internet Explorer's 32-bit tabs. Each is
// registered through the regsvr32 of its kind, as an installer on 64-bit
// Windows runs them: the 32-bit one into the 32-bit registry view.
enum class AddonBits { k64, k32 };

// The staged page agent (pagelet.dll), its class identifier, and its
// registration through regsvr32 as an installer runs it; 0 on success.
extern const wchar_t kAgentClsid[];
std::wstring AgentLibrary(AddonBits bits = AddonBits::k64);
DWORD Regsvr32(const std::wstring& arguments, const std::wstring& library = AgentLibrary(),
               AddonBits bits = AddonBits::k64);
DWORD RegisterAgent(AddonBits bits = AddonBits::k64);
DWORD UnregisterAgent(AddonBits bits = AddonBits::k64);

// The staged toolbar band (barlet.dll) and its class identifier; registered
// through regsvr32 as for the page agent.
extern const wchar_t kToolbarClsid[];
std::wstring ToolbarLibrary(AddonBits bits = AddonBits::k64);
DWORD RegisterToolbar(AddonBits bits = AddonBits::k64);
DWORD UnregisterToolbar(AddonBits bits = AddonBits::k64);

// The registry view that the add-ons of that kind are registered in.
REGSAM ViewOf(AddonBits bits);

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
