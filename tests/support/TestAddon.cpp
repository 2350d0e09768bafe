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

TestAddon::TestAddon(const wchar_t* library)
    : library_(FixturesDirectory() + library),
      clsid_(GuidString(std::wstring(library) == kHelper ? addons::kTestHelperClsid : addons::kTestBandClsid)),
      journal_(MakeTempFolder(L"journal") + L"journal.txt") {
  registered_ = CallLibrary("DllRegisterServer");
  const std::wstring key = L"CLSID\\" + clsid_;
  registered_ =
      registered_ && ::RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), L"Journal", REG_SZ, journal_.c_str(),
                                       static_cast<DWORD>((journal_.size() + 1) * sizeof(wchar_t))) == ERROR_SUCCESS;
}

TestAddon::~TestAddon() { CallLibrary("DllUnregisterServer"); }

bool TestAddon::CallLibrary(const char* function) const {
  UniqueLibrary library(::LoadLibraryW(library_.c_str()));
  using Entry = HRESULT(STDAPICALLTYPE*)();
  auto entry = Export<Entry>(library.Get(), function);
  return entry && SUCCEEDED(entry());
}

void TestAddon::SetDelays(DWORD setSiteMs, DWORD eventMs) const {
  const std::wstring key = L"CLSID\\" + clsid_;
  ::RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), L"SetSiteDelayMs", REG_DWORD, &setSiteMs, sizeof(setSiteMs));
  ::RegSetKeyValueW(HKEY_CLASSES_ROOT, key.c_str(), L"EventDelayMs", REG_DWORD, &eventMs, sizeof(eventMs));
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
