#include "DisplayScaling.h"

#include "Registry.h"

namespace tessary::test {
namespace {

const wchar_t kDesktop[] = L"Control Panel\\Desktop";
const wchar_t kLogPixels[] = L"LogPixels";

void SetDpi(DWORD dpi) { ::RegSetKeyValueW(HKEY_CURRENT_USER, kDesktop, kLogPixels, REG_DWORD, &dpi, sizeof(dpi)); }

}  // namespace

DisplayScaling::DisplayScaling(DWORD dpi) : before_(ReadDword(HKEY_CURRENT_USER, kDesktop, kLogPixels)) { SetDpi(dpi); }

DisplayScaling::~DisplayScaling() {
  if (before_) {
    SetDpi(*before_);
  } else {
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, kDesktop, kLogPixels);
  }
}

void ReadPhysicalPixels() {
  // Declared by the headers only for Windows 10, which the tests do not assume.
  using SetContext = HANDLE(WINAPI*)(HANDLE);
  const auto set = reinterpret_cast<SetContext>(
      reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleW(L"user32.dll"), "SetThreadDpiAwarenessContext")));
  const auto perMonitorAware = reinterpret_cast<HANDLE>(-3);  // DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE
  if (set) set(perMonitorAware);
}

}  // namespace tessary::test
