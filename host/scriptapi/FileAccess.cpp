#include "FileAccess.h"

#include <shlwapi.h>

#include <algorithm>
#include <string>

#include "Bstr.h"
#include "ExceptionBarrier.h"
#include "HostNames.h"
#include "Log.h"
#include "SharedNames.h"
#include "UniqueHandle.h"
#include "Utf8Text.h"

namespace tessary::host {
namespace {

// A customization file becomes one script string at once, held three times
// over while it is read (the bytes, the text, the script's copy). Such files
// are templates and settings of a few kilobytes: anything near this size is a
// mistake, and reading it would only starve the background page of memory.
constexpr DWORD kTextFileLimit = 16 * 1024 * 1024;

// The second line that follows some failures: the system's text for the last
// error, when it has one.
void LogSystemError(Log& log) {
  const DWORD error = ::GetLastError();
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  UniqueLocalPtr<wchar_t*> owned(text);
  if (length) log.Error() << kLogWinapi << std::wstring_view(text, length);
}

HRESULT ReadTextFile(const std::wstring& customizationFolder, BSTR path, Log& log, BSTR* text) {
  if (!path || !*path) {
    log.Error() << kLogEmptyPath;
    return S_FALSE;
  }
  std::wstring full = customizationFolder;
  if (path[0] != L'/' && path[0] != L'\\') full += L'\\';
  full += path;
  wchar_t relative[MAX_PATH] = {};
  if (!::PathRelativePathToW(relative, customizationFolder.c_str(), FILE_ATTRIBUTE_DIRECTORY, full.c_str(),
                             FILE_ATTRIBUTE_NORMAL)) {
    log.Error() << "PathRelativePathToW";
    LogSystemError(log);
    return S_FALSE;
  }
  if (wcsstr(relative, L"..")) {
    log.Error() << kLogPathRestricted << path;
    return S_FALSE;
  }
  std::string bytes;
  switch (ReadWholeFile(full, &bytes, kTextFileLimit)) {
    case FileReadError::kNone: break;
    case FileReadError::kOpen:
      log.Error() << kLogCreateFileFailed << full;
      LogSystemError(log);
      return S_FALSE;
    case FileReadError::kSize: return S_FALSE;
    case FileReadError::kTooLarge:
      log.Error() << "getTextFile: file too large (over " << kTextFileLimit << " bytes) " << full;
      return S_FALSE;
    case FileReadError::kRead:
      log.Error() << kLogReadFileFailed << full;
      LogSystemError(log);
      return S_FALSE;
  }
  std::wstring decoded;
  if (!DecodeUtf8Text(bytes, &decoded)) return S_FALSE;
  *text = Bstr(decoded).Detach();
  return *text ? S_OK : E_OUTOFMEMORY;
}

}  // namespace

BSTR ReadCustomizationFile(const std::wstring& customizationFolder, BSTR path, Log& log) {
  BSTR text = nullptr;
  if (ExceptionBarrier([&] { return ReadTextFile(customizationFolder, path, log, &text); }) == E_OUTOFMEMORY) {
    log.Error() << "getTextFile: out of memory reading " << path;
  }
  return text;
}

BSTR ExtensionUrl(const std::wstring& programFolder) {
  BSTR url = nullptr;
  ExceptionBarrier([&] {
    if (programFolder.empty()) return S_FALSE;
    std::wstring text = kFileUrlPrefix + programFolder;
    std::replace(text.begin(), text.end(), L'\\', L'/');
    url = Bstr(text).Detach();
    return S_OK;
  });
  return url;
}

}  // namespace tessary::host
