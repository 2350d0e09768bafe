#pragma once
// Where the tests find the staged extension, the host's data directory and room
// of their own, and small file helpers.
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

namespace tessary::test {

// The staged extension directory (deliverables plus the test extension), with a
// trailing backslash. CTest passes it in TESSARY_TEST_EXTENSION.
std::wstring ExtensionDirectory();
std::wstring HostProgram();
// Where the build puts the shipped deliverables, and the test fixtures (the
// stand-in for the WebBrowser control among them); with a trailing backslash.
std::wstring BinDirectory();
std::wstring FixturesDirectory();
// The repository's source folder (TESSARY_SOURCE_DIR), for tests that read
// what is not built: documentation, the extensions' sources.
std::wstring SourceDirectory();
// A file named by an environment variable that the build sets (a path on the
// Linux side), as a Windows path.
std::wstring FileFromEnvironment(const wchar_t* variable);
// Local application data + "\Tessary\", as the host program computes it.
std::wstring DataDirectory();
std::wstring LogFilePath();

// A new empty folder under the temporary folder, with a trailing backslash.
std::wstring MakeTempFolder(const std::wstring& name);
// Copies a folder's files and sub-folders into another (both with backslashes).
bool CopyFolder(const std::wstring& from, const std::wstring& to);
// The files of a folder (with a trailing backslash) and its sub-folders,
// relative to it ("js\\mustache.js").
std::vector<std::wstring> ListFiles(const std::wstring& folder);
// Deletes a folder (with a backslash) and everything in it; true also when
// there was none.
bool RemoveFolder(const std::wstring& folder);

std::string ReadFileBytes(const std::wstring& path);
bool WriteFileBytes(const std::wstring& path, const std::string& bytes);
// Lines of a CR LF text file, without their line ends.
std::vector<std::string> ReadLines(const std::wstring& path);
// Whether a CR LF text file has exactly this line.
bool HasLine(const std::wstring& path, const std::string& line);
// How many lines of a CR LF text file are exactly this line, or begin with
// this prefix.
int CountLines(const std::wstring& path, const std::string& line);
int CountLinesStartingWith(const std::wstring& path, const std::string& prefix);
// The number (from 1) of the line of text where `part` first stands; 0 if nowhere.
size_t LineOf(const std::string& text, const std::string& part);

// Writes a page (UTF-8) into the folder and returns its path.
std::wstring WriteTestPage(const std::wstring& folder, const std::wstring& name, const std::string& html);
// The file:/// URL of a path, as pages see their address.
std::wstring FileUrl(const std::wstring& path);

std::string Narrow(const std::wstring& text);

// A page for the test extension's content script: it sends its messages (one
// per line) to the background page and shows the last answer, whether its tab
// was active, and the scripts that ran.
std::string AskingPage(const std::string& messages);

// Whether this Windows runs 32-bit programs: its WoW64 folder has them. A
// prefix made on a kernel without 32-bit support has an empty one, and the
// tests of 32-bit tabs and add-ons skip themselves there, saying why.
bool RunsThirtyTwoBitPrograms();
#define TESSARY_SKIP_WITHOUT_32_BIT()                  \
  if (!::tessary::test::RunsThirtyTwoBitPrograms()) \
  GTEST_SKIP() << "this machine cannot run 32-bit programs"

// The size of a load test: small in the test suite, heavy with the environment
// variable TESSARY_HEAVY_TESTS set to 1.
int LoadSize(int suiteSize, int heavySize);

// The seed of a random run and how many sequences it runs: the fallbacks, or
// TESSARY_FUZZ_SEED and TESSARY_FUZZ_SEQUENCES to replay a run.
unsigned FuzzSeed(unsigned fallback);
int FuzzSequences(int fallback);

// Polls the condition until it holds; false when the time ran out first. For
// what other processes do: it pumps no messages (PumpMessagesUntil does).
bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD intervalMs = 50);
// Dispatches this thread's messages until the condition holds; false when the
// time ran out first. For what this thread's windows and objects do.
bool PumpMessagesUntil(const std::function<bool()>& condition, DWORD timeoutMs);

}  // namespace tessary::test
