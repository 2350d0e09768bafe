// The updater's parts that need no server: the versions an update description
// offers, the file names of its urls, the choice among its entries, the file
// digest and the installer's write.
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

using Parts = std::array<uint32_t, 4>;

// A log of the test's own; Lines() skips its header and empty line.
class LogFolder {
 public:
  LogFolder() : folder_(test::MakeTempFolder(L"updater")) { EXPECT_TRUE(log_.Create(folder_)); }
  Log& Get() { return log_; }
  const std::wstring& Folder() const { return folder_; }
  std::vector<std::string> Lines() const {
    std::vector<std::string> lines = test::ReadLines(folder_ + L"log.txt");
    lines.erase(lines.begin(), lines.begin() + std::min<size_t>(2, lines.size()));
    return lines;
  }

 private:
  std::wstring folder_;
  Log log_;
};

TEST(OfferedVersion, ReadsSignedPartsAndRefusesNegativeOnes) {
  const struct {
    const wchar_t* text;
    Version::Offer offer;
    Parts parts;
  } cases[] = {
      {L"2", Version::Offer::kValid, {2, 0, 0, 0}},
      {L"1.10", Version::Offer::kValid, {1, 10, 0, 0}},
      {L" 1.+2.3x.4.9", Version::Offer::kValid, {1, 2, 3, 4}},
      {L"99999999999", Version::Offer::kValid, {0xFFFFFFFFu, 0, 0, 0}},
      {L"", Version::Offer::kEmpty, {}},
      {L"-1", Version::Offer::kNegative, {}},
      {L"1.2. -3", Version::Offer::kNegative, {}},
  };
  for (const auto& c : cases) {
    Version version;
    version.parts = {7, 7, 7, 7};
    EXPECT_EQ(Version::ParseOffered(c.text, &version), c.offer) << test::Narrow(c.text);
    if (c.offer == Version::Offer::kValid) {
      EXPECT_EQ(version.parts, c.parts) << test::Narrow(c.text);
    }
  }
}

TEST(UpdateFileName, IsTheLastPathComponent) {
  const struct {
    const wchar_t* url;
    const wchar_t* name;
  } cases[] = {
      {L"http://example.com/dl/setup.exe", L"setup.exe"},
      {L"C:\\dl\\setup.exe", L"setup.exe"},
      {L"file:setup.exe", L"setup.exe"},
      {L"http://example.com/dl/", L"dl/"},  // a separator at the end does not count
      {L"setup.exe", L""},
      {L"http://", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(UpdateFileName(c.url), c.name) << test::Narrow(c.url);
}

std::wstring Entry(const std::wstring& version, const std::wstring& url, const std::wstring& hash) {
  std::wstring entry = L"<release>";
  if (!version.empty()) entry += L"<version>" + version + L"</version>";
  if (!url.empty()) entry += L"<url>" + url + L"</url>";
  if (!hash.empty()) entry += L"<hash>" + hash + L"</hash>";
  return entry + L"</release>";
}

std::wstring Complete(const std::wstring& version, const std::wstring& file = L"setup.exe") {
  return Entry(version, L"http://127.0.0.1/" + version + L"/" + file, L"00112233445566778899aabbccddeeff00112233");
}

std::wstring Updates(const std::wstring& entries) { return L"<?xml version=\"1.0\"?><updates>" + entries + L"</updates>"; }

TEST(ChooseUpdate, PicksTheNewestCompleteEntryNewerThanTheCurrentVersion) {
  const std::wstring secret = test::MakeTempFolder(L"secret") + L"version.txt";
  ASSERT_TRUE(test::WriteFileBytes(secret, "9.0"));
  const std::wstring entityEntry = Entry(L"&v;", L"http://127.0.0.1/x/setup.exe", L"AB");
  const struct {
    const char* name;
    std::wstring description;
    UpdateChoice choice;
    std::wstring url;  // of the chosen entry
    std::vector<std::string> log;
  } cases[] = {
      {"parts compare as numbers", Updates(Complete(L"1.2") + L"<!-- note -->" + Complete(L"1.10") + Complete(L"1.9")),
       UpdateChoice::kChosen, L"http://127.0.0.1/1.10/setup.exe", {}},
      {"the first of equal versions", Updates(Complete(L"2.0", L"a.exe") + Complete(L"2.0.0.0", L"b.exe")),
       UpdateChoice::kChosen, L"http://127.0.0.1/2.0/a.exe", {}},
      {"2 is 2.0.0.0 whatever came before",
       Updates(Complete(L"1.5.7.9") + Complete(L"2") + Complete(L"2.0.0.0") + Complete(L"1.99")), UpdateChoice::kChosen,
       L"http://127.0.0.1/2/setup.exe", {}},
      {"a newer entry without hash does not block an older one",
       Updates(Entry(L"3.0", L"http://127.0.0.1/3.0/setup.exe", L"") + Complete(L"2.0")), UpdateChoice::kChosen,
       L"http://127.0.0.1/2.0/setup.exe", {}},
      {"a bare file name is skipped", Updates(Entry(L"3.0", L"setup.exe", L"AB") + Complete(L"2.0")),
       UpdateChoice::kChosen, L"http://127.0.0.1/2.0/setup.exe",
       {"[WARNING]: updateThreadFn: Failed to extract filename from URL"}},
      {"a negative part is skipped", Updates(Complete(L"-1") + Complete(L"1.3")), UpdateChoice::kChosen,
       L"http://127.0.0.1/1.3/setup.exe", {"[WARNING]: updateThreadFn: Skipped version -1: a part is negative"}},
      {"nothing newer", Updates(Complete(L"1.2") + Complete(L"1.1.9") + Entry(L"", L"http://h/s.exe", L"AB")),
       UpdateChoice::kNothingNewer, L"", {}},
      {"wrong root", L"<releases>" + Complete(L"2.0") + L"</releases>", UpdateChoice::kUnreadable, L"",
       {"[ERROR]: updateThreadFn: Cannot parse xml"}},
      {"not XML", L"404 not found", UpdateChoice::kUnreadable, L"", {"[ERROR]: updateThreadFn: Cannot parse xml"}},
      {"an entity naming a local file",
       L"<?xml version=\"1.0\"?><!DOCTYPE updates [<!ENTITY v SYSTEM \"file:///" + secret + L"\">]><updates>" +
           entityEntry + L"</updates>",
       UpdateChoice::kUnreadable, L"", {"[ERROR]: updateThreadFn: Cannot parse xml"}},
      {"an internal entity",
       L"<!DOCTYPE updates [<!ENTITY v \"9.0\">]><updates>" + entityEntry + L"</updates>", UpdateChoice::kUnreadable,
       L"", {"[ERROR]: updateThreadFn: Cannot parse xml"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    LogFolder log;
    ChosenUpdate chosen;
    EXPECT_EQ(ChooseUpdate(Bstr(c.description).Get(), Version::Parse(L"1.2.0.0"), log.Get(), &chosen), c.choice);
    EXPECT_EQ(chosen.url, c.url);
    EXPECT_EQ(log.Lines(), c.log);
    if (c.choice != UpdateChoice::kChosen) continue;
    EXPECT_EQ(L"http://127.0.0.1/" + chosen.versionText + L"/" + chosen.fileName, chosen.url);
    EXPECT_EQ(chosen.version, Version::Parse(chosen.versionText));
    EXPECT_EQ(chosen.hash, L"00112233445566778899AABBCCDDEEFF00112233");
  }
}

TEST(HashFile, GivesTheSha1OfTheWholeFile) {
  const struct {
    std::string bytes;
    const wchar_t* digest;
  } cases[] = {
      {"", L"DA39A3EE5E6B4B0D3255BFEF95601890AFD80709"},
      {"abc", L"A9993E364706816ABA3E25717850C26C9CD0D89D"},
      // Many reads of 32 KiB, the last one short.
      {std::string(1000000, 'a'), L"34AA973CD4C4DAA4F61EEB2BDBAD27316534016F"},
  };
  LogFolder log;
  for (const auto& c : cases) {
    const std::wstring path = log.Folder() + L"file.bin";
    ASSERT_TRUE(test::WriteFileBytes(path, c.bytes));
    std::wstring digest;
    EXPECT_TRUE(HashFile(path, log.Get(), &digest));
    EXPECT_EQ(digest, c.digest);
  }
  // A file that cannot be opened has no digest, which matches nothing.
  std::wstring digest = L"old";
  EXPECT_TRUE(HashFile(log.Folder() + L"missing.bin", log.Get(), &digest));
  EXPECT_EQ(digest, L"");
  EXPECT_EQ(log.Lines(), std::vector<std::string>{"[ERROR]: Can't open " + test::Narrow(log.Folder()) + "missing.bin, code 2"});
}

TEST(WriteWholeFile, LeavesNoPartialFileBehind) {
  LogFolder log;
  const std::wstring path = log.Folder() + L"setup.exe";
  ASSERT_TRUE(WriteWholeFile(path, "MZ", 2, log.Get()));
  EXPECT_EQ(test::ReadFileBytes(path), "MZ");

  // Bytes that end in memory which cannot be read: the write fails part way.
  SYSTEM_INFO system;
  ::GetSystemInfo(&system);
  const DWORD page = system.dwPageSize;
  char* memory = static_cast<char*>(::VirtualAlloc(nullptr, 2 * page, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
  ASSERT_TRUE(memory);
  DWORD old = 0;
  ASSERT_TRUE(::VirtualProtect(memory + page, page, PAGE_NOACCESS, &old));
  EXPECT_FALSE(WriteWholeFile(path, memory, 2 * page, log.Get()));
  EXPECT_EQ(::GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the partial file is deleted";
  ::VirtualFree(memory, 0, MEM_RELEASE);

  // A folder of that name is no file to replace, and is left alone.
  ASSERT_TRUE(::CreateDirectoryW(path.c_str(), nullptr));
  EXPECT_FALSE(WriteWholeFile(path, "MZ", 2, log.Get()));
  EXPECT_NE(::GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u);
  const std::vector<std::string> lines = log.Lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_TRUE(lines[0] == "[ERROR]: Can't write to file" || lines[0] == "[ERROR]: File written incorrectly") << lines[0];
  EXPECT_EQ(lines[1], "[ERROR]: Can't create file");
}

}  // namespace
}  // namespace tessary::host
