// TessaryBG.exe: the out-of-process COM server that hosts the extension's
// background and popup pages.
#include <windows.h>
#include <shellapi.h>

#include "BackgroundReload.h"
#include "CSomeClass.h"
#include "CommandLine.h"
#include "ElevationPolicy.h"
#include "ExceptionInfo.h"
#include "Failures.h"
#include "HostNames.h"
#include "HostProcess.h"
#include "UniqueHandle.h"

using namespace tessary;
using namespace tessary::host;

namespace {

// LOG_IF_FAILED's lines, in the host's log.
void LogFailure(const char* file, int line, const char* call, HRESULT hr) {
  Host().log.Error() << file << "(" << line << "): " << call << " failed, " << ErrorCodeText(hr);
}

void ApplyPolicySwitches(const Directories& directories) {
  int argc = 0;
  UniqueLocalPtr<LPWSTR*> argv(::CommandLineToArgvW(::GetCommandLineW(), &argc));
  if (!argv) return;
  for (PolicySwitch s : ScanPolicySwitches(argc, argv.Get())) {
    if (s == PolicySwitch::kRegister) {
      WriteElevationPolicy(directories.ProgramFolder(), directories.ProgramFileName());
    } else {
      DeleteElevationPolicy();
    }
  }
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR commandLine, int) {
  // An author's reload asks the running host and ends: it touches neither the
  // log nor the data of the running one. 1 when no host runs.
  if (AsksForBackgroundReload(commandLine)) return RequestBackgroundReload() > 0 ? 0 : 1;
  CSomeClass module;
  HostProcess& host = Host();
  if (!host.directories.Prepare()) {
    ::MessageBoxExW(nullptr, L"Can't get access to extension directory", kErrorCaption, MB_OK,
                    MAKELANGID(LANG_ENGLISH, SUBLANG_NEUTRAL));
    return 1;
  }
  host.log.Create(host.directories.DataDirectory());
  SetFailureSink(&LogFailure);
  ApplyPolicySwitches(host.directories);
  return module.Run(commandLine);
}
