#include "TestEnvironment.h"

#include <shlobj.h>

#include <algorithm>
#include <atomic>
#include <cwchar>

#include "UniqueHandle.h"

namespace tessary::test {
namespace {

// Paths come from the build on the Linux side; Wine shows the root as Z:.
std::wstring WindowsPath(std::wstring path) {
  if (!path.empty() && path[0] == L'/') path = L"Z:" + path;
  std::replace(path.begin(), path.end(), L'/', L'\\');
  if (!path.empty() && path.back() != L'\\') path += L'\\';
  return path;
}

std::wstring Environment(const wchar_t* name) {
  wchar_t value[4096] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, ARRAYSIZE(value));
  return length && length < ARRAYSIZE(value) ? value : L"";
}

}  // namespace

std::wstring ExtensionDirectory() { return WindowsPath(Environment(L"TESSARY_TEST_EXTENSION")); }

std::wstring BinDirectory() { return WindowsPath(Environment(L"TESSARY_BIN_DIR")); }

std::wstring FixturesDirectory() { return WindowsPath(Environment(L"TESSARY_FIXTURES_DIR")); }

std::wstring SourceDirectory() { return WindowsPath(Environment(L"TESSARY_SOURCE_DIR")); }

std::wstring FileFromEnvironment(const wchar_t* variable) {
  std::wstring path = WindowsPath(Environment(variable));
  if (!path.empty()) path.pop_back();
  return path;
}

std::wstring HostProgram() { return ExtensionDirectory() + L"TessaryBG.exe"; }

std::wstring DataDirectory() {
  wchar_t folder[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder);
  return std::wstring(folder) + L"\\Tessary\\";
}

std::wstring LogFilePath() { return DataDirectory() + L"log.txt"; }

std::wstring MakeTempFolder(const std::wstring& name) {
  static std::atomic<int> counter{0};
  wchar_t temp[MAX_PATH] = {};
  ::GetTempPathW(ARRAYSIZE(temp), temp);
  const std::wstring folder = std::wstring(temp) + L"tessary-" + name + L"-" +
                              std::to_wstring(::GetCurrentProcessId()) + L"-" + std::to_wstring(++counter);
  ::SHCreateDirectoryExW(nullptr, folder.c_str(), nullptr);
  return folder + L"\\";
}

bool CopyFolder(const std::wstring& from, const std::wstring& to) {
  ::CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW((from + L"*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  bool ok = true;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      ok = CopyFolder(from + name + L"\\", to + name + L"\\") && ok;
    } else {
      ok = ::CopyFileW((from + name).c_str(), (to + name).c_str(), FALSE) && ok;
    }
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  return ok;
}

namespace {

void AddFiles(const std::wstring& folder, const std::wstring& prefix, std::vector<std::wstring>* files) {
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW((folder + prefix + L"*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      AddFiles(folder, prefix + name + L"\\", files);
    } else {
      files->push_back(prefix + name);
    }
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
}

}  // namespace

std::vector<std::wstring> ListFiles(const std::wstring& folder) {
  std::vector<std::wstring> files;
  AddFiles(folder, L"", &files);
  std::sort(files.begin(), files.end());
  return files;
}

bool RemoveFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW entry;
  HANDLE find = ::FindFirstFileW((folder + L"*").c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return ::GetFileAttributesW(folder.c_str()) == INVALID_FILE_ATTRIBUTES;
  do {
    const std::wstring name = entry.cFileName;
    if (name == L"." || name == L"..") continue;
    if (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
      RemoveFolder(folder + name + L"\\");
    } else {
      ::DeleteFileW((folder + name).c_str());
    }
  } while (::FindNextFileW(find, &entry));
  ::FindClose(find);
  return ::RemoveDirectoryW(folder.c_str()) != FALSE;
}

std::string ReadFileBytes(const std::wstring& path) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, 0, nullptr));
  std::string bytes;
  if (!file) return bytes;
  char buffer[65536];
  DWORD read = 0;
  while (::ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read > 0) bytes.append(buffer, read);
  return bytes;
}

bool WriteFileBytes(const std::wstring& path, const std::string& bytes) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  DWORD written = 0;
  return file && ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
         written == bytes.size();
}

std::vector<std::string> ReadLines(const std::wstring& path) {
  const std::string text = ReadFileBytes(path);
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  return lines;
}

bool HasLine(const std::wstring& path, const std::string& line) { return CountLines(path, line) > 0; }

int CountLines(const std::wstring& path, const std::string& line) {
  const auto lines = ReadLines(path);
  return static_cast<int>(std::count(lines.begin(), lines.end(), line));
}

int CountLinesStartingWith(const std::wstring& path, const std::string& prefix) {
  const auto lines = ReadLines(path);
  return static_cast<int>(
      std::count_if(lines.begin(), lines.end(), [&](const std::string& l) { return l.rfind(prefix, 0) == 0; }));
}

size_t LineOf(const std::string& text, const std::string& part) {
  const size_t at = text.find(part);
  return at == std::string::npos ? 0 : std::count(text.begin(), text.begin() + at, '\n') + 1;
}

std::wstring WriteTestPage(const std::wstring& folder, const std::wstring& name, const std::string& html) {
  const std::wstring path = folder + name;
  return WriteFileBytes(path, html) ? path : L"";
}

std::wstring FileUrl(const std::wstring& path) {
  std::wstring url = L"file:///" + path;
  std::replace(url.begin(), url.end(), L'\\', L'/');
  return url;
}

std::string Narrow(const std::wstring& text) {
  std::string result;
  for (wchar_t c : text) result += static_cast<char>(c < 0x80 ? c : '?');
  return result;
}

bool PumpMessagesUntil(const std::function<bool()>& condition, DWORD timeoutMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  while (!condition()) {
    const ULONGLONG now = ::GetTickCount64();
    if (now >= deadline) return false;
    ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, 50)),
                                QS_ALLINPUT);
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
      ::TranslateMessage(&message);
      ::DispatchMessageW(&message);
    }
  }
  return true;
}

bool WaitUntil(const std::function<bool()>& condition, DWORD timeoutMs, DWORD intervalMs) {
  const ULONGLONG deadline = ::GetTickCount64() + timeoutMs;
  while (!condition()) {
    if (::GetTickCount64() > deadline) return false;
    ::Sleep(intervalMs);
  }
  return true;
}

std::string AskingPage(const std::string& messages) {
  return "<div id='request' data-message='" + messages +
         "'></div><div id='answer'>none</div><div id='active'></div><div id='scripts'></div>";
}

namespace {

unsigned EnvironmentNumber(const wchar_t* name, unsigned fallback) {
  wchar_t value[32] = {};
  const DWORD length = ::GetEnvironmentVariableW(name, value, ARRAYSIZE(value));
  return length > 0 && length < ARRAYSIZE(value) ? static_cast<unsigned>(std::wcstoul(value, nullptr, 10)) : fallback;
}

}  // namespace

unsigned FuzzSeed(unsigned fallback) { return EnvironmentNumber(L"TESSARY_FUZZ_SEED", fallback); }
int FuzzSequences(int fallback) { return static_cast<int>(EnvironmentNumber(L"TESSARY_FUZZ_SEQUENCES", fallback)); }

bool RunsThirtyTwoBitPrograms() {
  wchar_t folder[MAX_PATH];
  const UINT length = ::GetSystemWow64DirectoryW(folder, MAX_PATH);
  if (length == 0 || length >= MAX_PATH) return false;
  return ::GetFileAttributesW((std::wstring(folder) + L"\\regsvr32.exe").c_str()) != INVALID_FILE_ATTRIBUTES;
}

int LoadSize(int suiteSize, int heavySize) {
  wchar_t value[8] = {};
  const DWORD length = ::GetEnvironmentVariableW(L"TESSARY_HEAVY_TESTS", value, ARRAYSIZE(value));
  return length == 1 && value[0] == L'1' ? heavySize : suiteSize;
}

}  // namespace tessary::test
