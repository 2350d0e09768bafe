#include "ModulePath.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace tessary {

HMODULE CurrentModule() { return reinterpret_cast<HMODULE>(&__ImageBase); }

std::wstring ModuleFileName(HMODULE module) {
  constexpr DWORD kStep = 1024;
  std::wstring path(kStep, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(module, path.data(), static_cast<DWORD>(path.size()));
    if (length == 0) return {};
    // A result that fills the buffer exactly may have been cut short.
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() + kStep);
  }
}

std::wstring FolderOf(const std::wstring& path) {
  const size_t slash = path.rfind(L'\\');
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash + 1);
}

}  // namespace tessary
