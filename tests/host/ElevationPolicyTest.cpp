#include "ElevationPolicy.h"

#include <gtest/gtest.h>

#include "Registry.h"

namespace tessary::host {
namespace {

using test::KeyExists;
using test::ReadDword;
using test::ReadString;

const std::wstring kRoot = L"Software\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy";
const std::wstring kEntry = kRoot + L"\\{1280D708-9951-45B4-A888-4B9A6F4BE680}";

class ElevationPolicyTest : public ::testing::Test {
 protected:
  void SetUp() override { test::DeleteTree(HKEY_LOCAL_MACHINE, kRoot); }
  void TearDown() override { test::DeleteTree(HKEY_LOCAL_MACHINE, kRoot); }
};

TEST_F(ElevationPolicyTest, WritesTheEntryUnderAnExistingPolicyKey) {
  ASSERT_TRUE(test::CreateKey(HKEY_LOCAL_MACHINE, kRoot));
  WriteElevationPolicy(L"C:\\Ext\\", L"TessaryBG.exe");
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kEntry, L"Policy"), 3u);
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kEntry, L"AppName"), L"TessaryBG.exe");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kEntry, L"AppPath"), L"C:\\Ext\\");

  // Writing again updates the existing entry.
  WriteElevationPolicy(L"D:\\Other\\", L"TessaryBG.exe");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kEntry, L"AppPath"), L"D:\\Other\\");
}

TEST_F(ElevationPolicyTest, DeletesWhatItWrote) {
  ASSERT_TRUE(test::CreateKey(HKEY_LOCAL_MACHINE, kRoot));
  WriteElevationPolicy(L"C:\\Ext\\", L"TessaryBG.exe");
  ASSERT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kEntry));
  DeleteElevationPolicy();
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kEntry));
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kRoot));
  // Nothing left to delete: silent, and the parent stays.
  DeleteElevationPolicy();
  EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kRoot));
}

TEST_F(ElevationPolicyTest, DoesNothingWithoutThePolicyKey) {
  WriteElevationPolicy(L"C:\\Ext\\", L"TessaryBG.exe");
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kRoot));
  DeleteElevationPolicy();
  EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kRoot));
}

}  // namespace
}  // namespace tessary::host
