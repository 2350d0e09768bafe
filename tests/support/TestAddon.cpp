#include "TestAddon.h"

#include <algorithm>

#include "AddonIds.h"
#include "ModuleExport.h"
#include "Registrar.h"
#include "TestEnvironment.h"
#include "UniqueHandle.h"
#include "Utf8Text.h"

namespace tessary::test {
namespace {

std::vector<std::wstring> SplitFields(const std::wstring& line) {
  std::vector<std::wstring> fields(1);
  for (wchar_t c : line) {
    if (c == L'\t') {
      fields.emplace_back();
    } else if (c != L'\r') {
      fields.back() += c;
    }
  }
  return fields;
}

}  // namespace

const wchar_t TestAddon::kHelper[] = L"testhelper.dll";
const wchar_t TestAddon::kBand[] = L"testband.dll";

namespace {

// testhelper.dll -> testhelper32.dll
std::wstring LibraryFile(const std::wstring& library, AddonBits bits) {
  return bits == AddonBits::k32 ? library.substr(0, library.rfind(L'.')) + L"32.dll" : library;
}

}  // namespace

TestAddon::TestAddon(const wchar_t* library, AddonBits bits)
    : bits_(bits),
      library_(FixturesDirectory() + LibraryFile(library, bits)),
      clsid_(GuidString(std::wstring(library) == kHelper ? addons::kTestHelperClsid : addons::kTestBandClsid)),
      journal_(MakeTempFolder(L"journal") + L"journal.txt") {
  registered_ = Register(true) && SetClassValue(L"Journal", REG_SZ, journal_.c_str(),
                                                static_cast<DWORD>((journal_.size() + 1) * sizeof(wchar_t)));
}

TestAddon::~TestAddon() { Register(false); }

// The 64-bit library registers itself in this process; the 32-bit one only a
// 32-bit process can load.
bool TestAddon::Register(bool install) const {
  if (bits_ == AddonBits::k32) return Regsvr32(install ? L"/s" : L"/s /u", library_, bits_) == 0;
  UniqueLibrary library(::LoadLibraryW(library_.c_str()));
  using Entry = HRESULT(STDAPICALLTYPE*)();
  auto entry = Export<Entry>(library.Get(), install ? "DllRegisterServer" : "DllUnregisterServer");
  return entry && SUCCEEDED(entry());
}

// In the add-on's class key, in its own registry view.
bool TestAddon::SetClassValue(const wchar_t* name, DWORD type, const void* data, DWORD size) const {
  UniqueRegKey key;
  if (::RegOpenKeyExW(HKEY_CLASSES_ROOT, (L"CLSID\\" + clsid_).c_str(), 0, KEY_SET_VALUE | ViewOf(bits_),
                      key.Put()) != ERROR_SUCCESS) {
    return false;
  }
  return ::RegSetValueExW(key.Get(), name, 0, type, static_cast<const BYTE*>(data), size) == ERROR_SUCCESS;
}

void TestAddon::SetDelays(DWORD setSiteMs, DWORD eventMs) const {
  SetClassValue(L"SetSiteDelayMs", REG_DWORD, &setSiteMs, sizeof(setSiteMs));
  SetClassValue(L"EventDelayMs", REG_DWORD, &eventMs, sizeof(eventMs));
}

std::vector<JournalEntry> TestAddon::Journal() const {
  std::vector<JournalEntry> entries;
  std::wstring text;
  DecodeUtf8Text(ReadFileBytes(journal_), &text);
  size_t start = 0;
  for (size_t end; (end = text.find(L'\n', start)) != std::wstring::npos; start = end + 1) {
    std::vector<std::wstring> fields = SplitFields(text.substr(start, end - start));
    if (fields.size() < 3) continue;
    JournalEntry entry;
    entry.process = std::wcstoul(fields[0].c_str(), nullptr, 10);
    entry.object = fields[1];
    entry.what = fields[2];
    entry.details.assign(fields.begin() + 3, fields.end());
    entries.push_back(entry);
  }
  return entries;
}

std::vector<JournalEntry> TestAddon::OfProcess(DWORD process) const {
  std::vector<JournalEntry> entries = Journal();
  entries.erase(
      std::remove_if(entries.begin(), entries.end(), [&](const JournalEntry& e) { return e.process != process; }),
      entries.end());
  return entries;
}

std::vector<std::wstring> TestAddon::Objects() const {
  std::vector<std::wstring> objects;
  for (const JournalEntry& entry : Journal()) {
    const std::wstring object = std::to_wstring(entry.process) + L":" + entry.object;
    if (std::find(objects.begin(), objects.end(), object) == objects.end()) objects.push_back(object);
  }
  return objects;
}

std::vector<std::wstring> Steps(const std::vector<JournalEntry>& entries) {
  std::vector<std::wstring> steps;
  for (const JournalEntry& entry : entries) {
    steps.push_back(entry.details.empty() ? entry.what : entry.what + L" " + entry.details[0]);
  }
  return steps;
}

}  // namespace tessary::test
