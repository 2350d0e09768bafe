#pragma once
// One of the tests' own add-ons (tests/fixtures/addons), registered through
// its library's DllRegisterServer for as long as the object lives, with the
// journal in which the add-on records what the browser did to it.
#include <windows.h>

#include <string>
#include <vector>

#include "HostRegistration.h"

namespace tessary::test {

struct JournalEntry {
  DWORD process = 0;
  // "helper#1", "band#2": one add-on object.
  std::wstring object;
  std::wstring what;
  std::vector<std::wstring> details;
};

class TestAddon {
 public:
  // The Browser Helper Object (testhelper.dll) and the toolbar band (testband.dll).
  static const wchar_t kHelper[];
  static const wchar_t kBand[];

  // The 32-bit build (testhelper32.dll) is registered through the 32-bit
  // regsvr32 into the 32-bit registry view, for 32-bit tabs.
  explicit TestAddon(const wchar_t* library, AddonBits bits = AddonBits::k64);
  ~TestAddon();
  TestAddon(const TestAddon&) = delete;
  TestAddon& operator=(const TestAddon&) = delete;

  bool IsRegistered() const { return registered_; }
  const std::wstring& Clsid() const { return clsid_; }
  // How long the add-on takes in SetSite and in each browser event.
  void SetDelays(DWORD setSiteMs, DWORD eventMs) const;

  std::vector<JournalEntry> Journal() const;
  // The entries of the add-on objects of one process.
  std::vector<JournalEntry> OfProcess(DWORD process) const;
  // The distinct objects ("process:object"), in the order they first wrote.
  std::vector<std::wstring> Objects() const;

 private:
  bool Register(bool install) const;
  bool SetClassValue(const wchar_t* name, DWORD type, const void* data, DWORD size) const;

  AddonBits bits_;
  std::wstring library_;
  std::wstring clsid_;
  std::wstring journal_;
  bool registered_ = false;
};

// The "what" and the first detail of each entry, as "site browser", "show 1".
std::vector<std::wstring> Steps(const std::vector<JournalEntry>& entries);

}  // namespace tessary::test
