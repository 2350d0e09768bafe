#include "Directories.h"

#include <windows.h>
#include <shlobj.h>

#include "HostNames.h"
#include "ModulePath.h"

namespace tessary::host {
namespace {

bool CreateFolder(const std::wstring& path) {
  return ::CreateDirectoryW(path.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS;
}

}  // namespace

bool Directories::Prepare() {
  const std::wstring program = ModuleFileName(nullptr);
  const size_t slash = program.rfind(L'\\');
  if (slash == std::wstring::npos) return false;
  programFolder_ = program.substr(0, slash + 1);
  programFileName_ = program.substr(slash + 1);
  customizationFolder_ = programFolder_ + kCustomizationFolder;

  wchar_t localAppData[MAX_PATH] = {};
  if (FAILED(::SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, localAppData))) {
    return false;
  }
  std::wstring data = std::wstring(localAppData) + kDataFolderName;
  if (!CreateFolder(data)) return false;
  dataDirectory_ = data + L"\\";
  return CreateFolder(dataDirectory_ + kDatabaseFolder);
}

}  // namespace tessary::host
