// TessaryBG.exe's registration switches, run as a separate process, checked by
// reading the registry back.
#include <gtest/gtest.h>

#include <shlobj.h>

#include "ChildProcess.h"
#include "HostRegistration.h"
#include "Registrar.h"
#include "Registry.h"
#include "Tessary.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

const std::wstring kPolicyRoot = L"Software\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy";
const std::wstring kPolicyEntry = kPolicyRoot + L"\\{1280D708-9951-45B4-A888-4B9A6F4BE680}";
const std::wstring kTypeLib = L"TypeLib\\" + GuidString(LIBID_Tessary);

struct WatchedRun {
  DWORD exitCode;
  bool sawWindow;
};

// Runs the host program and watches for any visible window of its own.
WatchedRun RunWatchingWindows(const std::wstring& exe, const std::wstring& arguments) {
  ChildProcess child = ChildProcess::Start(exe, arguments);
  WatchedRun run = {static_cast<DWORD>(-1), false};
  if (!child.IsValid()) return run;
  struct Search {
    DWORD pid;
    bool found;
  } search = {child.Id(), false};
  for (int i = 0; i < 3000 && !child.Wait(10); ++i) {
    ::EnumWindows(
        [](HWND window, LPARAM param) -> BOOL {
          auto* s = reinterpret_cast<Search*>(param);
          DWORD pid = 0;
          ::GetWindowThreadProcessId(window, &pid);
          if (pid == s->pid && ::IsWindowVisible(window)) s->found = true;
          return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
  }
  if (!child.Wait(0)) child.Terminate();
  run.exitCode = child.ExitCode();
  run.sawWindow = search.found;
  return run;
}

class RegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    UnregisterHost();
    DeleteTree(HKEY_LOCAL_MACHINE, kPolicyRoot);
    ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, kPolicyRoot));
  }
  void TearDown() override {
    DeleteTree(HKEY_LOCAL_MACHINE, kPolicyRoot);
    DeleteTree(HKEY_CURRENT_USER, L"Software\\Classes\\" + kTypeLib);
    RegisterHost();  // leave the prefix as the other tests expect it
  }

  static void ExpectClassKeys(REFCLSID clsid, const std::wstring& friendlyName, const std::wstring& program) {
    const std::wstring key = L"CLSID\\" + GuidString(clsid);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key), friendlyName);
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\ProgID"), L"Tessary");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\VersionIndependentProgID"), L"Tessary");
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, key + L"\\Programmable"));
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\LocalServer32"), L"\"" + program + L"\"");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\LocalServer32", L"ThreadingModel"), L"apartment");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key, L"AppID"), L"");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, key + L"\\TypeLib"), GuidString(LIBID_Tessary));
  }

  static void ExpectProgId() {
    // Both classes write the one ProgID; the last one registered (CBGC) wins.
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L"Tessary"), L"CBGC Object");
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L"Tessary\\CLSID"), GuidString(CLSID_CBGC));
    EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L"Tessary\\CurVer"), L"Tessary");
  }

  static void ExpectTypeLib(HKEY root, const std::wstring& prefix) {
    const std::wstring key = prefix + kTypeLib + L"\\1.0";
    EXPECT_EQ(ReadString(root, key), L"Tessary 1.0 Server");
    EXPECT_EQ(ReadString(root, key + L"\\409\\win64"), HostProgram());
    // The same library built for 32-bit clients, the program's TYPELIB 2.
    EXPECT_EQ(ReadString(root, key + L"\\409\\win32"), HostProgram() + L"\\2");
    EXPECT_EQ(ReadString(root, key + L"\\HELPDIR"), ExtensionDirectory());
  }

  static void ExpectNothingRegistered() {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + GuidString(CLSID_CBG)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + GuidString(CLSID_CBGC)));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"Tessary"));
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, kTypeLib));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  }
};

TEST_F(RegistrationTest, RegServerWritesClassesAndTypeLibraryWithoutAWindow) {
  for (const wchar_t* option : {L"/RegServer", L"-RegServer"}) {
    SCOPED_TRACE(Narrow(option));
    UnregisterHost();
    const WatchedRun run = RunWatchingWindows(HostProgram(), option);
    EXPECT_EQ(run.exitCode, 0u);
    EXPECT_FALSE(run.sawWindow);
    ExpectClassKeys(CLSID_CBG, L"CBG Object", HostProgram());
    ExpectClassKeys(CLSID_CBGC, L"CBGC Object", HostProgram());
    ExpectProgId();
    ExpectTypeLib(HKEY_CLASSES_ROOT, L"");
  }
}

TEST_F(RegistrationTest, SlashRegServerInAnyCaseAlsoWritesTheElevationPolicy) {
  for (const wchar_t* option : {L"/RegServer", L"/regserver", L"/REGSERVER"}) {
    SCOPED_TRACE(Narrow(option));
    DeleteTree(HKEY_LOCAL_MACHINE, kPolicyEntry);
    EXPECT_EQ(RunProgram(HostProgram(), option), 0u);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kPolicyEntry, L"Policy"), 3u);
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kPolicyEntry, L"AppName"), L"TessaryBG.exe");
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kPolicyEntry, L"AppPath"), ExtensionDirectory());
  }
}

TEST_F(RegistrationTest, DashRegServerLeavesTheElevationPolicyAlone) {
  EXPECT_EQ(RunProgram(HostProgram(), L"-RegServer"), 0u);
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kPolicyEntry));
  ExpectClassKeys(CLSID_CBGC, L"CBGC Object", HostProgram());
}

TEST_F(RegistrationTest, UnregServerRemovesEverythingItWrote) {
  ASSERT_EQ(RunProgram(HostProgram(), L"/RegServer"), 0u);
  ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kPolicyEntry));
  const WatchedRun run = RunWatchingWindows(HostProgram(), L"/UnregServer");
  EXPECT_EQ(run.exitCode, 0u);
  EXPECT_FALSE(run.sawWindow);
  ExpectNothingRegistered();
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kPolicyEntry));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kPolicyRoot));
}

TEST_F(RegistrationTest, ExitCodeIsTheRegistrationsResult) {
  // Nothing is registered: unregistering the type library fails, and the
  // program reports exactly what the system reports.
  const HRESULT expected = ::UnRegisterTypeLib(LIBID_Tessary, 1, 0, 0x409, SYS_WIN64);
  ASSERT_TRUE(FAILED(expected));
  EXPECT_EQ(static_cast<HRESULT>(RunProgram(HostProgram(), L"-UnregServer")), expected);
  // Without the policy entry, "/unregserver" deletes nothing and reports the same.
  EXPECT_EQ(static_cast<HRESULT>(RunProgram(HostProgram(), L"/unregserver")), expected);
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kPolicyRoot));
}

// Wine's RegisterTypeLibForUser is a stub that registers machine-wide, so there
// the library shows up under HKEY_CLASSES_ROOT; Windows puts it in the user's hive.
bool RunningOnWine() { return ::GetProcAddress(::GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

TEST_F(RegistrationTest, PerUserWritesTheClassesAndTheTypeLibrary) {
  EXPECT_EQ(RunProgram(HostProgram(), L"/RegServerPerUser"), 0u);
  ExpectClassKeys(CLSID_CBG, L"CBG Object", HostProgram());
  ExpectClassKeys(CLSID_CBGC, L"CBGC Object", HostProgram());
  ExpectProgId();
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kPolicyEntry));
  if (RunningOnWine()) {
    ExpectTypeLib(HKEY_CLASSES_ROOT, L"");
  } else {
    ExpectTypeLib(HKEY_CURRENT_USER, L"Software\\Classes\\");
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, L"Software\\Classes\\" + kTypeLib));
  }

  EXPECT_EQ(RunProgram(HostProgram(), L"/UnregServerPerUser"), 0u);
  EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, L"Software\\Classes\\" + kTypeLib));
  ExpectNothingRegistered();
}

}  // namespace
}  // namespace tessary::test
