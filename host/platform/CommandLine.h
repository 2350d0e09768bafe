#pragma once
// The two scans of the host program's command line.
#include <vector>

namespace tessary::host {

// The program's own scan: every argument compared whole, without regard to case.
enum class PolicySwitch { kRegister, kUnregister };
std::vector<PolicySwitch> ScanPolicySwitches(int argc, const wchar_t* const* argv);

// The module's scan: the first word after a "-" or "/" that names a
// registration action decides.
enum class ModuleSwitch { kNone, kUnregServer, kRegServer, kUnregServerPerUser, kRegServerPerUser };
ModuleSwitch ScanModuleSwitch(const wchar_t* commandLine);

// Whether a word after a "-" or "/" is ReloadBackground (BackgroundReload.h).
bool AsksForBackgroundReload(const wchar_t* commandLine);

}  // namespace tessary::host
