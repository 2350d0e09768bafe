#include "FileAccess.h"

#include <shlwapi.h>

#include <algorithm>
#include <string>

#include <wrl/client.h>

#include "../program/Log.h"
#include "Bstr.h"
#include "PlatformUuids.h"
#include "UniqueHandle.h"

using Microsoft::WRL::ComPtr;

namespace tessary::host {
namespace {

constexpr CLSID kClsidXmlHttp60 = {0x88D96A0A, 0xF192, 0x11D4, {0xA6, 0x5F, 0x00, 0x40, 0x96, 0x32, 0x51, 0xE5}};

// The second line that follows some failures: the system's text for the last
// error, when it has one.
void LogSystemError(Log& log) {
  const DWORD error = ::GetLastError();
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0,
      reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  UniqueLocalPtr<wchar_t*> owned(text);
  if (length) log.Error() << "WINAPI: " << std::wstring_view(text, length);
}

// UTF-8 (an optional byte order mark skipped) up to the first zero byte; null
// for invalid UTF-8.
BSTR DecodeUtf8(const std::string& bytes) {
  std::string_view text(bytes.c_str());
  if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
  if (text.empty()) return Bstr(L"").Detach();
  const int length = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0);
  if (length <= 0) return nullptr;
  BSTR result = ::SysAllocStringLen(nullptr, length);
  ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(), static_cast<int>(text.size()), result, length);
  return result;
}

// The whole file, or false (logged) when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string* bytes, Log& log) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
  if (!file) {
    log.Error() << "CreateFileW" << path;
    LogSystemError(log);
    return false;
  }
  LARGE_INTEGER size = {};
  if (!::GetFileSizeEx(file.Get(), &size) || size.QuadPart >= MAXDWORD) return false;
  bytes->assign(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!::ReadFile(file.Get(), bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) || read == 0) {
    log.Error() << "ReadFile" << path;
    LogSystemError(log);
    return false;
  }
  bytes->resize(read);
  return true;
}

}  // namespace

BSTR ReadCustomizationFile(const std::wstring& customizationFolder, BSTR path, Log& log) {
  if (!path || !*path) {
    log.Error() << "getTextFile: Empty path!";
    return nullptr;
  }
  std::wstring full = customizationFolder;
  if (path[0] != L'/' && path[0] != L'\\') full += L'\\';
  full += path;
  wchar_t relative[MAX_PATH] = {};
  if (!::PathRelativePathToW(relative, customizationFolder.c_str(), FILE_ATTRIBUTE_DIRECTORY, full.c_str(),
                             FILE_ATTRIBUTE_NORMAL)) {
    log.Error() << "PathRelativePathToW";
    LogSystemError(log);
    return nullptr;
  }
  if (wcsstr(relative, L"..")) {
    log.Error() << "getTextFile: path restricted " << path;
    return nullptr;
  }
  std::string bytes;
  if (!ReadWholeFile(full, &bytes, log)) return nullptr;
  return DecodeUtf8(bytes);
}

BSTR ExtensionUrl(const std::wstring& programFolder) {
  if (programFolder.empty()) return nullptr;
  std::wstring url = L"file:///" + programFolder;
  std::replace(url.begin(), url.end(), L'\\', L'/');
  return Bstr(url).Detach();
}

IDispatch* NewXmlHttpRequest() {
  ComPtr<IXMLHTTPRequest> request;
  if (FAILED(::CoCreateInstance(kClsidXmlHttp60, nullptr,
                                CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER,
                                IID_PPV_ARGS(&request)))) {
    return nullptr;
  }
  ComPtr<IDispatch> dispatch;
  return SUCCEEDED(request.As(&dispatch)) ? dispatch.Detach() : nullptr;
}

}  // namespace tessary::host
