// barlet.dll registering itself: through regsvr32 as an installer would run it,
// and through DllInstall for the command lines regsvr32 passes on.
#include <gtest/gtest.h>

#include "HostRegistration.h"
#include "ModuleExport.h"
#include "Registry.h"
#include "TestEnvironment.h"
#include "UniqueHandle.h"

namespace tessary::test {
namespace {

const std::wstring kClsid = kToolbarClsid;
const std::wstring kLibid = L"{3A545344-E35D-4BDD-A07E-7998ECA82706}";
const std::wstring kToolbarKey = L"Software\\Microsoft\\Internet Explorer\\Toolbar";
const std::wstring kUserClasses = L"Software\\Classes\\";

class ToolbarRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    for (const std::wstring& prefix : {std::wstring(), kUserClasses}) {
      const HKEY root = prefix.empty() ? HKEY_CLASSES_ROOT : HKEY_CURRENT_USER;
      DeleteTree(root, prefix + L"CLSID\\" + kClsid);
      DeleteTree(root, prefix + L"TypeLib\\" + kLibid);
    }
    UniqueRegKey toolbars;
    if (::RegOpenKeyExW(HKEY_LOCAL_MACHINE, kToolbarKey.c_str(), 0, KEY_SET_VALUE, toolbars.Put()) == ERROR_SUCCESS) {
      ::RegDeleteValueW(toolbars.Get(), kClsid.c_str());
    }
  }
  static void ExpectRegistered(HKEY root, const std::wstring& prefix) {
    const std::wstring key = prefix + L"CLSID\\" + kClsid;
    EXPECT_EQ(ReadString(root, key), L"Password Manager");
    EXPECT_EQ(ReadString(root, key + L"\\InprocServer32"), ToolbarLibrary());
    EXPECT_EQ(ReadString(root, key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    // The browser lists the toolbar under this name, for the machine in any case.
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kToolbarKey, kClsid), L"Password Manager");
  }
  static void ExpectRemovedLeavingParents() {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserClasses + L"CLSID\\" + kClsid));
    EXPECT_FALSE(ReadString(HKEY_LOCAL_MACHINE, kToolbarKey, kClsid).has_value());
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kToolbarKey));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  }
};

TEST_F(ToolbarRegistrationTest, RegistersForTheMachineOnceHoweverOftenAndUnregistersWhatItWrote) {
  ASSERT_EQ(Regsvr32(L"/s", ToolbarLibrary()), 0u);
  ExpectRegistered(HKEY_CLASSES_ROOT, L"");
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLibid + L"\\1.0\\409\\win64"), ToolbarLibrary());
  // Registering again replaces the class key: what a stale version left goes.
  ASSERT_TRUE(CreateKey(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid + L"\\Stale"));
  ASSERT_EQ(Regsvr32(L"/s", ToolbarLibrary()), 0u);
  ExpectRegistered(HKEY_CLASSES_ROOT, L"");
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid + L"\\Stale"));

  ASSERT_EQ(Regsvr32(L"/s /u", ToolbarLibrary()), 0u);
  ExpectRemovedLeavingParents();
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLibid));
}

TEST_F(ToolbarRegistrationTest, DllInstallRegistersPerUserOnlyForTheWholeWordUser) {
  UniqueLibrary toolbar(::LoadLibraryW(ToolbarLibrary().c_str()));
  auto install = Export<HRESULT(STDAPICALLTYPE*)(BOOL, PCWSTR)>(toolbar.Get(), "DllInstall");
  ASSERT_NE(install, nullptr);
  ASSERT_EQ(install(TRUE, L"users"), S_OK);
  ExpectRegistered(HKEY_CLASSES_ROOT, L"");
  ASSERT_EQ(install(FALSE, L"users"), S_OK);
  ExpectRemovedLeavingParents();

  ASSERT_EQ(install(TRUE, L"USER"), S_OK);
  ExpectRegistered(HKEY_CURRENT_USER, kUserClasses);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid)) << "written for the machine too";
  ASSERT_EQ(install(FALSE, nullptr), S_OK);
  ExpectRemovedLeavingParents();
}

}  // namespace
}  // namespace tessary::test
