#include "CommandLine.h"

#include <gtest/gtest.h>

namespace tessary::host {
namespace {

TEST(ModuleSwitch, RecognisesEachSwitchAfterDashOrSlash) {
  EXPECT_EQ(ScanModuleSwitch(L"/RegServer"), ModuleSwitch::kRegServer);
  EXPECT_EQ(ScanModuleSwitch(L"-RegServer"), ModuleSwitch::kRegServer);
  EXPECT_EQ(ScanModuleSwitch(L"/regserver"), ModuleSwitch::kRegServer);
  EXPECT_EQ(ScanModuleSwitch(L"-UNREGSERVER"), ModuleSwitch::kUnregServer);
  EXPECT_EQ(ScanModuleSwitch(L"/RegServerPerUser"), ModuleSwitch::kRegServerPerUser);
  EXPECT_EQ(ScanModuleSwitch(L"-unregserverperuser"), ModuleSwitch::kUnregServerPerUser);
}

TEST(ModuleSwitch, ComparesWholeWords) {
  EXPECT_EQ(ScanModuleSwitch(L""), ModuleSwitch::kNone);
  EXPECT_EQ(ScanModuleSwitch(nullptr), ModuleSwitch::kNone);
  EXPECT_EQ(ScanModuleSwitch(L"-Embedding"), ModuleSwitch::kNone);
  EXPECT_EQ(ScanModuleSwitch(L"/RegServerX"), ModuleSwitch::kNone);
  EXPECT_EQ(ScanModuleSwitch(L"/RegServ"), ModuleSwitch::kNone);
  EXPECT_EQ(ScanModuleSwitch(L"RegServer"), ModuleSwitch::kNone);
  // The first matching switch decides; words before it are skipped.
  EXPECT_EQ(ScanModuleSwitch(L"-Embedding /UnregServer -RegServer"), ModuleSwitch::kUnregServer);
  EXPECT_EQ(ScanModuleSwitch(L"x-y\tz/RegServer\t-q"), ModuleSwitch::kRegServer);
}

TEST(PolicySwitches, MatchWholeArgumentsInAnyCase) {
  const wchar_t* argv[] = {L"C:\\x\\TessaryBG.exe", L"/REGSERVER", L"-regserver", L"/unRegServer",
                           L"/regserverx", L"/RegServer"};
  const auto switches = ScanPolicySwitches(6, argv);
  ASSERT_EQ(switches.size(), 3u);
  EXPECT_EQ(switches[0], PolicySwitch::kRegister);
  EXPECT_EQ(switches[1], PolicySwitch::kUnregister);
  EXPECT_EQ(switches[2], PolicySwitch::kRegister);
}

}  // namespace
}  // namespace tessary::host
