#include "PendingFileOperations.h"

namespace tessary::test {
namespace {

const wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
const wchar_t kPendingOperations[] = L"PendingFileRenameOperations";

// "\??\C:\..." as the list holds paths, a leading "!" on a target that may
// replace an existing file.
std::wstring WithoutNtPrefix(std::wstring path) {
  if (!path.empty() && path[0] == L'!') path.erase(0, 1);
  if (path.compare(0, 4, L"\\??\\") == 0) path.erase(0, 4);
  return path;
}

}  // namespace

std::vector<PendingFileOperation> PendingFileOperations() {
  DWORD bytes = 0;
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingOperations, RRF_RT_REG_MULTI_SZ, nullptr, nullptr,
                     &bytes) != ERROR_SUCCESS) {
    return {};
  }
  std::wstring list(bytes / sizeof(wchar_t) + 1, L'\0');
  if (::RegGetValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingOperations, RRF_RT_REG_MULTI_SZ, nullptr, list.data(),
                     &bytes) != ERROR_SUCCESS) {
    return {};
  }
  // Pairs of strings, an empty one for "delete": split by the count, not at
  // the first double terminator.
  std::vector<std::wstring> paths;
  const wchar_t* const end = list.c_str() + bytes / sizeof(wchar_t);
  for (const wchar_t* path = list.c_str(); path < end; path += wcslen(path) + 1) {
    paths.push_back(WithoutNtPrefix(path));
  }
  std::vector<PendingFileOperation> operations;
  for (size_t i = 0; i + 1 < paths.size(); i += 2) operations.push_back({paths[i], paths[i + 1]});
  return operations;
}

void CarryOutAsAtRestart(const std::vector<PendingFileOperation>& operations) {
  for (const auto& operation : operations) {
    if (operation.to.empty()) {
      if (!::DeleteFileW(operation.from.c_str())) ::RemoveDirectoryW(operation.from.c_str());
    } else {
      ::MoveFileExW(operation.from.c_str(), operation.to.c_str(), MOVEFILE_REPLACE_EXISTING);
    }
  }
  ::RegDeleteKeyValueW(HKEY_LOCAL_MACHINE, kSessionManager, kPendingOperations);
}

}  // namespace tessary::test
