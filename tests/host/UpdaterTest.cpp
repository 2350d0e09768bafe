// The updater's parts that need no server: the choice among the entries of an
// update description, and the installer's write.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Bstr.h"
#include "Log.h"
#include "TestEnvironment.h"
#include "UpdateDescription.h"
#include "UpdateFiles.h"

namespace tessary::host {
namespace {

// The lines a new log received, without its header and empty line.
std::vector<std::string> LoggedLines(const std::wstring& folder) {
  std::vector<std::string> lines = test::ReadLines(folder + L"log.txt");
  lines.erase(lines.begin(), lines.begin() + std::min<size_t>(2, lines.size()));
  return lines;
}

std::wstring Entry(const std::wstring& version, const std::wstring& url, const std::wstring& hash = L"00aa") {
  std::wstring entry = L"<release><version>" + version + L"</version><url>" + url + L"</url>";
  return entry + (hash.empty() ? L"" : L"<hash>" + hash + L"</hash>") + L"</release>";
}
// A complete entry whose url names its version and file.
std::wstring Offer(const std::wstring& version, const std::wstring& file = L"setup.exe") {
  return Entry(version, L"http://127.0.0.1/" + version + L"/" + file);
}
std::wstring Updates(const std::wstring& entries) { return L"<updates>" + entries + L"</updates>"; }

TEST(ChooseUpdate, PicksTheNewestCompleteEntryNewerThanTheCurrentVersion) {
  const std::wstring secret = test::MakeTempFolder(L"secret") + L"version.txt";
  ASSERT_TRUE(test::WriteFileBytes(secret, "9.0"));
  const std::string unreadable = "[ERROR]: updateThreadFn: Cannot parse xml";
  const struct {
    const char* name;
    std::wstring description;
    std::wstring chosen;  // url of the chosen entry, or empty
    std::vector<std::string> log;
  } cases[] = {
      {"parts compare as numbers", Updates(Offer(L"1.2") + L"<!-- x -->" + Offer(L"1.10") + Offer(L"1.9")),
       L"http://127.0.0.1/1.10/setup.exe", {}},
      {"the first of equal versions", Updates(Offer(L"2.0", L"a.exe") + Offer(L"2.0.0.0", L"b.exe")),
       L"http://127.0.0.1/2.0/a.exe", {}},
      {"2 is 2.0.0.0 whatever came before", Updates(Offer(L"1.5.7.9") + Offer(L"2") + Offer(L"2.0.0.0")),
       L"http://127.0.0.1/2/setup.exe", {}},
      {"a newer entry without hash", Updates(Entry(L"3.0", L"http://h/s.exe", L"") + Offer(L"2.0")),
       L"http://127.0.0.1/2.0/setup.exe", {}},
      {"a bare file name", Updates(Entry(L"3.0", L"setup.exe") + Offer(L"2.0")), L"http://127.0.0.1/2.0/setup.exe",
       {"[WARNING]: updateThreadFn: Failed to extract filename from URL"}},
      {"a negative part", Updates(Offer(L"-1") + Offer(L"1.3")), L"http://127.0.0.1/1.3/setup.exe",
       {"[WARNING]: updateThreadFn: Skipped version -1: a part is negative"}},
      {"nothing newer", Updates(Offer(L"1.2") + Offer(L"1.1.9")), L"", {}},
      {"wrong root", L"<releases>" + Offer(L"2.0") + L"</releases>", L"", {unreadable}},
      {"no XML", L"404 Not Found", L"", {unreadable}},
      {"an entity naming a local file",
       L"<!DOCTYPE updates [<!ENTITY v SYSTEM \"file:///" + secret + L"\">]>" + Updates(Offer(L"&v;")), L"",
       {unreadable}},
      {"an internal entity", L"<!DOCTYPE updates [<!ENTITY v \"9.0\">]>" + Updates(Offer(L"&v;")), L"", {unreadable}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const std::wstring folder = test::MakeTempFolder(L"choice");
    Log log;
    ASSERT_TRUE(log.Create(folder));
    ChosenUpdate chosen;
    const UpdateChoice choice = ChooseUpdate(Bstr(c.description).Get(), Version::Parse(L"1.2.0.0"), log, &chosen);
    EXPECT_EQ(choice, !c.chosen.empty()  ? UpdateChoice::kChosen
                      : c.log.empty() ? UpdateChoice::kNothingNewer
                                      : UpdateChoice::kUnreadable);
    EXPECT_EQ(chosen.url, c.chosen);
    EXPECT_EQ(LoggedLines(folder), c.log);
    if (choice != UpdateChoice::kChosen) continue;
    EXPECT_EQ(L"http://127.0.0.1/" + chosen.versionText + L"/" + chosen.fileName, chosen.url);
    EXPECT_EQ(chosen.version, Version::Parse(chosen.versionText));
    EXPECT_EQ(chosen.hash, L"00AA");
  }
}

TEST(WriteWholeFile, LeavesNoPartialFileBehind) {
  const std::wstring folder = test::MakeTempFolder(L"write");
  Log log;
  ASSERT_TRUE(log.Create(folder));
  const std::wstring path = folder + L"setup.exe";
  ASSERT_TRUE(WriteWholeFile(path, "MZ", 2, log));
  EXPECT_EQ(test::ReadFileBytes(path), "MZ");

  // Bytes that end in memory which cannot be read: the write fails part way.
  char* memory = static_cast<char*>(::VirtualAlloc(nullptr, 8192, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  DWORD old = 0;
  ASSERT_TRUE(memory && ::VirtualProtect(memory + 4096, 4096, PAGE_NOACCESS, &old));
  EXPECT_FALSE(WriteWholeFile(path, memory, 8192, log));
  EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the partial file is deleted";
  ::VirtualFree(memory, 0, MEM_RELEASE);

  // A folder of that name is no file to replace, and is left alone.
  ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
  EXPECT_FALSE(WriteWholeFile(path, "MZ", 2, log));
  EXPECT_NE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  const std::vector<std::string> lines = LoggedLines(folder);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0] == "[ERROR]: Can't write to file" || lines[0] == "[ERROR]: File written incorrectly") << lines[0];
  EXPECT_EQ(lines[1], "[ERROR]: Can't create file");
}

}  // namespace
}  // namespace tessary::host
