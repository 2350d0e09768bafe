// The host program started by COM for a client process (this test program):
// activation, calls across processes, and the end of the server after the last
// release.
#include <gtest/gtest.h>

#include <wrl/client.h>

#include "Bstr.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "RegisteredHostEnvironment.h"
#include "Tessary.h"
#include "TestEnvironment.h"
#include "UniqueHandle.h"
#include "Variant.h"

namespace tessary::test {
namespace {

using Microsoft::WRL::ComPtr;

const auto* const kRegisteredHost = ::testing::AddGlobalTestEnvironment(new RegisteredHostEnvironment);

template <class Interface>
HRESULT CreateInHost(REFCLSID clsid, ComPtr<Interface>& object) {
  return ::CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(object.ReleaseAndGetAddressOf()));
}

// The one host process that COM started.
ChildProcess RunningHost() {
  const auto ids = FindProcesses(L"TessaryBG.exe");
  return ids.size() == 1 ? ChildProcess::Open(ids[0]) : ChildProcess();
}

class ServerLifecycleTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WaitForNoHost(15000)) << "a host from an earlier test is still running"; }
};

TEST_F(ServerLifecycleTest, ClientCreatesBothClassesInOneHostProcess) {
  ComPtr<IBGC> bgc;
  ASSERT_EQ(CreateInHost(CLSID_CBGC, bgc), S_OK);
  ComPtr<IBG> bg;
  ASSERT_EQ(CreateInHost(CLSID_CBG, bg), S_OK);
  EXPECT_EQ(FindProcesses(L"TessaryBG.exe").size(), 1u);

  EXPECT_EQ(bgc->log(Bstr(L"x").Get(), 12), S_OK);
  EXPECT_EQ(bgc->log(nullptr, 12), S_OK);
  EXPECT_TRUE(HasLine(LogFilePath(), "BHO12: x"));
  EXPECT_TRUE(HasLine(LogFilePath(), "BHO12: empty"));
  int state = -1;
  EXPECT_EQ(bgc->getState(&state), S_OK);
  EXPECT_TRUE(state == 0 || state == 1) << state;
  int auth = -1;
  EXPECT_EQ(bg->getAuthState(&auth), S_OK);
  EXPECT_EQ(auth, 0);

  // The log of this run starts with its header and an empty line, once.
  const auto lines = ReadLines(LogFilePath());
  ASSERT_GE(lines.size(), 2u);
  EXPECT_EQ(lines[0].rfind("Log file created ", 0), 0u);
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(CountLinesStartingWith(LogFilePath(), "Log file created"), 1);
}

TEST_F(ServerLifecycleTest, DispatchWorksAcrossProcesses) {
  ComPtr<IDispatch> object;
  ASSERT_EQ(CreateInHost(CLSID_CBGC, object), S_OK);
  Bstr name(L"log");
  LPOLESTR names[] = {name.Get()};
  DISPID id = 0;
  ASSERT_EQ(object->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id), S_OK);
  EXPECT_EQ(id, 0x60020003);
  Bstr message(L"through IDispatch");
  VARIANT args[] = {ArgI4(7), ArgBstr(message.Get())};  // reversed: msg, tabId
  DISPPARAMS params = {args, nullptr, 2, 0};
  EXPECT_EQ(object->Invoke(id, IID_NULL, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
  EXPECT_TRUE(HasLine(LogFilePath(), "BHO7: through IDispatch"));

  ComPtr<IProvideClassInfo> classInfo;
  ASSERT_EQ(object.As(&classInfo), S_OK);
  ComPtr<ITypeInfo> info;
  ASSERT_EQ(classInfo->GetClassInfo(&info), S_OK);
  TYPEATTR* attr = nullptr;
  ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
  EXPECT_TRUE(IsEqualGUID(attr->guid, CLSID_CBGC));
  info->ReleaseTypeAttr(attr);
}

TEST_F(ServerLifecycleTest, EndsAfterThePauseOnceTheLastObjectIsReleased) {
  ComPtr<IBGC> first;
  ComPtr<IBG> second;
  ASSERT_EQ(CreateInHost(CLSID_CBGC, first), S_OK);
  ASSERT_EQ(CreateInHost(CLSID_CBG, second), S_OK);
  ChildProcess host = RunningHost();
  ASSERT_TRUE(host.IsValid());

  first.Reset();
  EXPECT_FALSE(host.Wait(1500)) << "the host ended while an object was still alive";
  const DWORD released = ::GetTickCount();
  second.Reset();
  ASSERT_TRUE(host.Wait(10000));
  const DWORD elapsed = ::GetTickCount() - released;
  EXPECT_EQ(host.ExitCode(), 0u);
  EXPECT_GE(elapsed, 900u) << "no pause before exit";
  EXPECT_LT(elapsed, 5000u);
}

TEST_F(ServerLifecycleTest, AnActivationDuringThePauseGoesToANewProcess) {
  ComPtr<IBGC> first;
  ASSERT_EQ(CreateInHost(CLSID_CBGC, first), S_OK);
  ChildProcess old = RunningHost();
  ASSERT_TRUE(old.IsValid());
  first.Reset();

  ComPtr<IBGC> second;
  ASSERT_EQ(CreateInHost(CLSID_CBGC, second), S_OK);
  ASSERT_TRUE(old.Wait(10000)) << "the old host kept serving";
  EXPECT_EQ(old.ExitCode(), 0u);
  // The new object lives on in a process of its own.
  int state = -1;
  EXPECT_EQ(second->getState(&state), S_OK);
  ChildProcess current = RunningHost();
  ASSERT_TRUE(current.IsValid());
  EXPECT_NE(current.Id(), old.Id());
  second.Reset();
  EXPECT_TRUE(current.Wait(10000));
}

TEST_F(ServerLifecycleTest, WorksWithoutALogWhenTheFileIsLocked) {
  ASSERT_TRUE(WriteFileBytes(LogFilePath(), "locked by a reader\r\n"));
  {
    UniqueHandle holder(::CreateFileW(LogFilePath().c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.IsValid());
    ComPtr<IBGC> bgc;
    ASSERT_EQ(CreateInHost(CLSID_CBGC, bgc), S_OK);
    EXPECT_EQ(bgc->log(Bstr(L"dropped").Get(), 1), S_OK);
    int state = -1;
    EXPECT_EQ(bgc->getState(&state), S_OK);
  }
  EXPECT_EQ(ReadFileBytes(LogFilePath()), "locked by a reader\r\n");
}

}  // namespace
}  // namespace tessary::test
