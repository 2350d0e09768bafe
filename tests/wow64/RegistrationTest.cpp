// Both builds of each add-on registered as an installer on 64-bit Windows
// registers them, each through the regsvr32 of its kind, and the 64-bit host
// program's type library and interface keys serving 32-bit clients. Each
// add-on's two builds share one type library key: unregistering one build
// leaves the other's registration whole.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include "ChildProcess.h"
#include "HostRegistration.h"
#include "Registrar.h"
#include "Registry.h"
#include "Tessary.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

using Microsoft::WRL::ComPtr;

constexpr REGSAM kViews[] = {KEY_WOW64_64KEY, KEY_WOW64_32KEY};
constexpr wchar_t kHelpers[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\";
constexpr wchar_t kToolbars[] = L"Software\\Microsoft\\Internet Explorer\\Toolbar";
constexpr wchar_t kTypeLibStandardMarshaler[] = L"{00020424-0000-0000-C000-000000000046}";

struct Addon {
  const char* name;
  std::wstring (*library)(AddonBits);
  DWORD (*registration)(AddonBits);
  DWORD (*unregistration)(AddonBits);
  const wchar_t* clsid;
  const wchar_t* libid;
  const wchar_t* iid;
  // A Browser Helper Object (a key of its own) or a toolbar (a value).
  bool helper;
};

const Addon kAddons[] = {
    {"page agent", AgentLibrary, RegisterAgent, UnregisterAgent, kAgentClsid,
     L"{B580D708-9951-45B4-A888-4B9A6F4BE681}", L"{B580D708-9951-45B4-A888-4B9A6F4BE680}", true},
    {"toolbar", ToolbarLibrary, RegisterToolbar, UnregisterToolbar, kToolbarClsid,
     L"{3A545344-E35D-4BDD-A07E-7998ECA82706}", L"{CD56780A-DB20-40E0-9BD5-36014A7FF708}", false},
};

std::wstring TypeLibEntry(const wchar_t* libid, AddonBits bits) {
  return L"TypeLib\\" + std::wstring(libid) + L"\\1.0\\409\\" + (bits == AddonBits::k32 ? L"win32" : L"win64");
}

AddonBits Other(AddonBits bits) { return bits == AddonBits::k32 ? AddonBits::k64 : AddonBits::k32; }

// What one build of an add-on registers: its class in its own view, the
// browser's entry for it there, its type library entry of its kind.
bool IsRegistered(const Addon& addon, AddonBits bits) {
  const REGSAM view = ViewOf(bits);
  const bool browserEntry = addon.helper
                                ? KeyExists(HKEY_LOCAL_MACHINE, kHelpers + std::wstring(addon.clsid), view)
                                : ReadString(HKEY_LOCAL_MACHINE, kToolbars, addon.clsid, view).has_value();
  return ReadString(HKEY_CLASSES_ROOT, L"CLSID\\" + std::wstring(addon.clsid) + L"\\InprocServer32", L"", view) ==
             addon.library(bits) &&
         browserEntry && ReadString(HKEY_CLASSES_ROOT, TypeLibEntry(addon.libid, bits)) == addon.library(bits);
}

// The interface key, in both views, as the type-library marshaler wants it.
bool InterfaceServesBothViews(const std::wstring& iid, const std::wstring& libid) {
  for (REGSAM view : kViews) {
    if (ReadString(HKEY_CLASSES_ROOT, L"Interface\\" + iid + L"\\ProxyStubClsid32", L"", view) !=
            kTypeLibStandardMarshaler ||
        ReadString(HKEY_CLASSES_ROOT, L"Interface\\" + iid + L"\\TypeLib", L"", view) != libid) {
      return false;
    }
  }
  return true;
}

bool InterfaceInNoView(const std::wstring& iid) {
  return !KeyExists(HKEY_CLASSES_ROOT, L"Interface\\" + iid, KEY_WOW64_64KEY) &&
         !KeyExists(HKEY_CLASSES_ROOT, L"Interface\\" + iid, KEY_WOW64_32KEY);
}

class AddonViewsTest : public ::testing::Test {
 protected:
  void SetUp() override { TESSARY_SKIP_WITHOUT_32_BIT(); }
  void TearDown() override {
    if (IsSkipped()) return;
    for (const Addon& addon : kAddons) {
      for (AddonBits bits : {AddonBits::k64, AddonBits::k32}) addon.unregistration(bits);
    }
  }
};

TEST_F(AddonViewsTest, EachBuildRegistersIntoTheViewOfItsKindAndUnregistersWhatItWrote) {
  for (const Addon& addon : kAddons) {
    for (AddonBits bits : {AddonBits::k64, AddonBits::k32}) {
      SCOPED_TRACE(std::string(addon.name) + (bits == AddonBits::k32 ? " 32-bit" : " 64-bit"));
      ASSERT_EQ(addon.registration(bits), 0u);
      EXPECT_TRUE(IsRegistered(addon, bits));
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + std::wstring(addon.clsid), ViewOf(Other(bits))))
          << "the other kind of process does not see this build";
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, TypeLibEntry(addon.libid, Other(bits))));
      EXPECT_TRUE(InterfaceServesBothViews(addon.iid, addon.libid));

      EXPECT_EQ(addon.unregistration(bits), 0u);
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"CLSID\\" + std::wstring(addon.clsid), ViewOf(bits)));
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + std::wstring(addon.libid)));
      EXPECT_TRUE(InterfaceInNoView(addon.iid));
    }
  }
}

TEST_F(AddonViewsTest, UnregisteringOneBuildLeavesTheOthersRegistrationWhole) {
  for (const Addon& addon : kAddons) {
    for (AddonBits first : {AddonBits::k32, AddonBits::k64}) {
      SCOPED_TRACE(std::string(addon.name) + (first == AddonBits::k32 ? ": 32-bit first" : ": 64-bit first"));
      ASSERT_EQ(addon.registration(AddonBits::k64), 0u);
      ASSERT_EQ(addon.registration(AddonBits::k32), 0u);

      EXPECT_EQ(addon.unregistration(first), 0u);
      EXPECT_FALSE(IsRegistered(addon, first));
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, TypeLibEntry(addon.libid, first)));
      EXPECT_TRUE(IsRegistered(addon, Other(first)));
      EXPECT_TRUE(InterfaceServesBothViews(addon.iid, addon.libid));

      EXPECT_EQ(addon.unregistration(Other(first)), 0u);
      EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + std::wstring(addon.libid)));
      EXPECT_TRUE(InterfaceInNoView(addon.iid));
    }
  }
}

// The host program as the product registers it, without the test bed's
// compensation for Wine.
class HostFor32BitClientsTest : public ::testing::Test {
 protected:
  void SetUp() override { UnregisterHost(); }
  void TearDown() override { RegisterHost(); }
};

TEST_F(HostFor32BitClientsTest, RegistrationServesTheLibraryAndInterfacesTo32BitProcesses) {
  ASSERT_EQ(RunProgram(HostProgram(), L"-RegServer"), 0u);
  const std::wstring libid = GuidString(LIBID_Tessary);
  const auto entry = ReadString(HKEY_CLASSES_ROOT, L"TypeLib\\" + libid + L"\\1.0\\409\\win32");
  ASSERT_TRUE(entry.has_value()) << "32-bit processes read only the win32 entry";
  // What the entry names is the library built for 32-bit processes.
  ComPtr<ITypeLib> library;
  ASSERT_EQ(::LoadTypeLibEx(entry->c_str(), REGKIND_NONE, &library), S_OK) << Narrow(*entry);
  TLIBATTR* attributes = nullptr;
  ASSERT_EQ(library->GetLibAttr(&attributes), S_OK);
  EXPECT_EQ(attributes->syskind, SYS_WIN32);
  EXPECT_TRUE(IsEqualGUID(attributes->guid, LIBID_Tessary));
  library->ReleaseTLibAttr(attributes);
  for (REFIID iid : {IID_IBG, IID_IBGC}) {
    SCOPED_TRACE(Narrow(GuidString(iid)));
    ComPtr<ITypeInfo> info;
    EXPECT_EQ(library->GetTypeInfoOfGuid(iid, &info), S_OK);
    EXPECT_TRUE(InterfaceServesBothViews(GuidString(iid), libid));
  }

  ASSERT_EQ(RunProgram(HostProgram(), L"-UnregServer"), 0u);
  EXPECT_FALSE(KeyExists(HKEY_CLASSES_ROOT, L"TypeLib\\" + libid));
  EXPECT_TRUE(InterfaceInNoView(GuidString(IID_IBG)));
  EXPECT_TRUE(InterfaceInNoView(GuidString(IID_IBGC)));
}

}  // namespace
}  // namespace tessary::test
