// pagelet.dll registering itself: through regsvr32 as an installer would run it,
// and through its exports directly for the cases regsvr32 cannot reach.
#include <gtest/gtest.h>
#include <ocidl.h>

#include <wrl/client.h>

#include "ChildProcess.h"
#include "HostRegistration.h"
#include "ModuleExport.h"
#include "Registrar.h"
#include "Registry.h"
#include "TestEnvironment.h"
#include "UniqueHandle.h"

namespace tessary::test {
namespace {

const std::wstring kClsid = L"{B580D708-9951-45B4-A888-4B9A6F4BE682}";
const std::wstring kLibid = L"{B580D708-9951-45B4-A888-4B9A6F4BE681}";
const std::wstring kBhoParent = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects";
const std::wstring kBhoKey = kBhoParent + L"\\" + kClsid;
const std::wstring kUserClasses = L"Software\\Classes\\";

class PageletRegistrationTest : public ::testing::Test {
 protected:
  void SetUp() override { Clean(); }
  void TearDown() override { Clean(); }
  static void Clean() {
    DeleteTree(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid);
    DeleteTree(HKEY_CURRENT_USER, kUserClasses + L"CLSID\\" + kClsid);
    DeleteTree(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLibid);
    DeleteTree(HKEY_CURRENT_USER, kUserClasses + L"TypeLib\\" + kLibid);
    DeleteTree(HKEY_LOCAL_MACHINE, kBhoKey);
  }
  static void ExpectClassKeys(HKEY root, const std::wstring& prefix) {
    const std::wstring key = prefix + L"CLSID\\" + kClsid;
    EXPECT_EQ(ReadString(root, key), L"Tessary Helper");
    EXPECT_TRUE(KeyExists(root, key + L"\\Programmable"));
    EXPECT_EQ(ReadString(root, key + L"\\InprocServer32"), AgentLibrary());
    EXPECT_EQ(ReadString(root, key + L"\\InprocServer32", L"ThreadingModel"), L"Apartment");
    EXPECT_EQ(ReadString(root, key + L"\\TypeLib"), kLibid);
    EXPECT_EQ(ReadString(root, key + L"\\Version"), L"1.0");
  }
  static void ExpectBrowserHelperEntry() {
    EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kBhoKey), L"Tessary BHO");
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kBhoKey, L"NoExplorer"), 1u);
  }
  static void ExpectRemovedLeavingParents() {
    EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid));
    EXPECT_FALSE(KeyExists(HKEY_CURRENT_USER, kUserClasses + L"CLSID\\" + kClsid));
    EXPECT_FALSE(KeyExists(HKEY_LOCAL_MACHINE, kBhoKey));
    EXPECT_TRUE(KeyExists(HKEY_LOCAL_MACHINE, kBhoParent));
    EXPECT_TRUE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID"));
  }
};

TEST_F(PageletRegistrationTest, RegistersForTheMachine) {
  ASSERT_EQ(Regsvr32(L"/s"), 0u);
  ExpectClassKeys(HKEY_CLASSES_ROOT, L"");
  ExpectBrowserHelperEntry();
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLibid + L"\\1.0\\409\\win64"), AgentLibrary());
  // Registering again leaves one class key, rewritten.
  ASSERT_EQ(Regsvr32(L"/s"), 0u);
  ExpectClassKeys(HKEY_CLASSES_ROOT, L"");

  ASSERT_EQ(Regsvr32(L"/s /u"), 0u);
  ExpectRemovedLeavingParents();
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + kLibid));
}

TEST_F(PageletRegistrationTest, RegistersForTheUser) {
  ASSERT_EQ(Regsvr32(L"/s /n /i:user"), 0u);
  ExpectClassKeys(HKEY_CURRENT_USER, kUserClasses);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid)) << "written for the machine too";
  // The browser's list of helpers has no per-user form: it stays machine-wide.
  ExpectBrowserHelperEntry();

  ASSERT_EQ(Regsvr32(L"/s /u /n /i:user"), 0u);
  ExpectRemovedLeavingParents();
}

// DllInstall straight from the module, for the command lines regsvr32 passes on.
class PageletInstallTest : public PageletRegistrationTest {
 protected:
  void SetUp() override {
    PageletRegistrationTest::SetUp();
    agent_.Reset(::LoadLibraryW(AgentLibrary().c_str()));
    ASSERT_TRUE(agent_.IsValid());
    install_ = Export<Install>(agent_.Get(), "DllInstall");
    ASSERT_NE(install_, nullptr);
  }
  using Install = HRESULT(STDAPICALLTYPE*)(BOOL, PCWSTR);
  UniqueLibrary agent_;
  Install install_ = nullptr;
};

TEST_F(PageletInstallTest, UserInAnyCaseMeansPerUserAndOnlyTheWholeWord) {
  ASSERT_EQ(install_(TRUE, L"users"), S_OK);
  ExpectClassKeys(HKEY_CLASSES_ROOT, L"");
  ASSERT_EQ(install_(FALSE, L"users"), S_OK);
  ExpectRemovedLeavingParents();

  ASSERT_EQ(install_(TRUE, L"USER"), S_OK);
  ExpectClassKeys(HKEY_CURRENT_USER, kUserClasses);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid));
  // Once per user, the module stays so.
  ASSERT_EQ(install_(FALSE, nullptr), S_OK);
  ExpectRemovedLeavingParents();
}

TEST(PageletModule, RefusesRegistrationFromAPathOf260CharactersOrMore) {
  std::wstring folder = MakeTempFolder(L"longagent");
  while (folder.size() < 260) folder += L"d\\", ::CreateDirectoryW(folder.c_str(), nullptr);
  const std::wstring copy = folder + L"pagelet.dll";
  ASSERT_TRUE(::CopyFileW(AgentLibrary().c_str(), copy.c_str(), FALSE));
  UniqueLibrary agent(::LoadLibraryW(copy.c_str()));
  ASSERT_TRUE(agent.IsValid());
  auto registerServer = Export<HRESULT(STDAPICALLTYPE*)()>(agent.Get(), "DllRegisterServer");
  EXPECT_EQ(registerServer(), static_cast<HRESULT>(0x8007007A));
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + kClsid));
}

TEST(PageletModule, ServesOnlyItsOwnClassAndRefusesAggregation) {
  UniqueLibrary agent(::LoadLibraryW(AgentLibrary().c_str()));
  ASSERT_TRUE(agent.IsValid());
  auto getClassObject = Export<HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**)>(agent.Get(), "DllGetClassObject");
  auto canUnloadNow = Export<HRESULT(STDAPICALLTYPE*)()>(agent.Get(), "DllCanUnloadNow");
  CLSID clsid;
  ASSERT_EQ(::CLSIDFromString(kClsid.c_str(), &clsid), S_OK);
  Microsoft::WRL::ComPtr<IClassFactory> factory;
  EXPECT_EQ(getClassObject(IID_IUnknown, IID_PPV_ARGS(&factory)), CLASS_E_CLASSNOTAVAILABLE);
  ASSERT_EQ(getClassObject(clsid, IID_PPV_ARGS(&factory)), S_OK);
  Microsoft::WRL::ComPtr<IUnknown> outer;
  ASSERT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&outer)), S_OK);
  Microsoft::WRL::ComPtr<IUnknown> inner;
  EXPECT_EQ(factory->CreateInstance(outer.Get(), IID_PPV_ARGS(&inner)), CLASS_E_NOAGGREGATION);

  // Interfaces of the agent, and the module's lock while it lives.
  Microsoft::WRL::ComPtr<IObjectWithSite> withSite;
  EXPECT_EQ(outer.As(&withSite), S_OK);
  Microsoft::WRL::ComPtr<IDispatch> dispatch;
  EXPECT_EQ(outer.As(&dispatch), S_OK);
  UINT count = 0;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&count), S_OK);
  EXPECT_EQ(count, 1u);
  Microsoft::WRL::ComPtr<IUnknown> site;
  EXPECT_EQ(withSite->GetSite(IID_PPV_ARGS(&site)), E_FAIL);
  EXPECT_EQ(canUnloadNow(), S_FALSE);
  withSite.Reset();
  dispatch.Reset();
  outer.Reset();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace tessary::test
