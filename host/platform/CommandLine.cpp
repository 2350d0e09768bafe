#include "CommandLine.h"

#include <cwchar>
#include <cwctype>

#include "HostNames.h"

namespace tessary::host {
namespace {

bool EndsWord(wchar_t c) { return c == L'\0' || c == L' ' || c == L'\t'; }

// Whether the word at text (up to a blank or the end) is `word`, ignoring case.
bool IsWord(const wchar_t* text, const wchar_t* word) {
  while (!EndsWord(*text) && *word && std::towupper(*text) == std::towupper(*word)) {
    ++text;
    ++word;
  }
  return EndsWord(*text) && *word == L'\0';
}

// The word after the next '-' or '/' from text on; null after the last one.
const wchar_t* NextSwitch(const wchar_t* text) {
  const wchar_t* mark = text ? std::wcspbrk(text, L"-/") : nullptr;
  return mark ? mark + 1 : nullptr;
}

}  // namespace

std::vector<PolicySwitch> ScanPolicySwitches(int argc, const wchar_t* const* argv) {
  std::vector<PolicySwitch> switches;
  for (int i = 0; i < argc; ++i) {
    if (_wcsicmp(argv[i], kRegServerOption) == 0) switches.push_back(PolicySwitch::kRegister);
    if (_wcsicmp(argv[i], kUnregServerOption) == 0) switches.push_back(PolicySwitch::kUnregister);
  }
  return switches;
}

ModuleSwitch ScanModuleSwitch(const wchar_t* commandLine) {
  static const struct {
    const wchar_t* word;
    ModuleSwitch action;
  } kSwitches[] = {
      {kUnregServerSwitch, ModuleSwitch::kUnregServer},
      {kRegServerSwitch, ModuleSwitch::kRegServer},
      {kUnregServerPerUserSwitch, ModuleSwitch::kUnregServerPerUser},
      {kRegServerPerUserSwitch, ModuleSwitch::kRegServerPerUser},
  };
  for (const wchar_t* p = NextSwitch(commandLine); p; p = NextSwitch(p)) {
    for (const auto& s : kSwitches) {
      if (IsWord(p, s.word)) return s.action;
    }
  }
  return ModuleSwitch::kNone;
}

bool AsksForBackgroundReload(const wchar_t* commandLine) {
  for (const wchar_t* p = NextSwitch(commandLine); p; p = NextSwitch(p)) {
    if (IsWord(p, L"ReloadBackground")) return true;
  }
  return false;
}

}  // namespace tessary::host
