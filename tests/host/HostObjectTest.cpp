// CBG and CBGC in-process: IDispatch from the type library, class information,
// aggregation, and the module locks their class factory takes.
#include <gtest/gtest.h>

#include "ApiState.h"
#include "Bstr.h"
#include "CBG.h"
#include "CBGC.h"
#include "ComObject.h"
#include "CountingModule.h"
#include "HostMessages.h"
#include "HostProcess.h"
#include "ScriptEngine.h"
#include "TestEnvironment.h"
#include "ToolbarWindow.h"
#include "Variant.h"

namespace tessary::host {
namespace {

using Microsoft::WRL::ComPtr;
using test::CountingModule;

// An outer object that aggregates a host object and counts its own references.
class Outer : public IUnknown {
 public:
  IFACEMETHODIMP QueryInterface(REFIID riid, void** ppv) override {
    if (IsEqualIID(riid, IID_IUnknown)) {
      *ppv = this;
      AddRef();
      return S_OK;
    }
    return inner ? inner->QueryInterface(riid, ppv) : E_NOINTERFACE;
  }
  IFACEMETHODIMP_(ULONG) AddRef() override { return ++refs; }
  IFACEMETHODIMP_(ULONG) Release() override { return --refs; }

  ULONG refs = 1;
  ComPtr<IUnknown> inner;
};

class FailingClass : public ComObjectRoot, public IUnknown {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {{&IID_IUnknown, 0}, {}};
    return interfaces;
  }
  HRESULT FinalConstruct() { return E_FAIL; }
};

// These tests are about the objects themselves: the background page counts as
// already started, so that creating them does not try to start it here.
class HostObject : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { Host().background = BackgroundState::kStarting; }
};

TEST_F(HostObject, FactoryLocksTheModuleForEachObject) {
  CountingModule& module = CountingModule::Get();
  const long before = module.Locks();
  ComPtr<IBGC> first;
  ComPtr<IBG> second;
  ASSERT_EQ(ClassFactory<CBGC>::Instance()->CreateInstance(nullptr, IID_PPV_ARGS(&first)), S_OK);
  ASSERT_EQ(ClassFactory<CBG>::Instance()->CreateInstance(nullptr, IID_PPV_ARGS(&second)), S_OK);
  EXPECT_EQ(module.Locks(), before + 2);
  first.Reset();
  EXPECT_EQ(module.Locks(), before + 1);
  second.Reset();
  EXPECT_EQ(module.Locks(), before);

  ASSERT_EQ(ClassFactory<CBGC>::Instance()->LockServer(TRUE), S_OK);
  EXPECT_EQ(module.Locks(), before + 1);
  ASSERT_EQ(ClassFactory<CBGC>::Instance()->LockServer(FALSE), S_OK);
  EXPECT_EQ(module.Locks(), before);
}

TEST_F(HostObject, AFailedCreationNeverTouchesTheModuleLock) {
  CountingModule& module = CountingModule::Get();
  const long calls = module.LockCalls();
  ComPtr<IUnknown> object;
  EXPECT_EQ(ClassFactory<FailingClass>::Instance()->CreateInstance(nullptr, IID_PPV_ARGS(&object)), E_FAIL);
  EXPECT_EQ(object.Get(), nullptr);
  ComPtr<IBG> asked;
  EXPECT_EQ(ClassFactory<CBGC>::Instance()->CreateInstance(nullptr, IID_IBG, &asked), E_NOINTERFACE);
  EXPECT_EQ(module.LockCalls(), calls);
}

TEST_F(HostObject, AnswersIDispatchFromTheTypeLibrary) {
  ComPtr<IDispatch> object;
  ASSERT_EQ(ClassFactory<CBGC>::Instance()->CreateInstance(nullptr, IID_PPV_ARGS(&object)), S_OK);
  const wchar_t* names[] = {L"connect", L"disconnect", L"dispatchMsg", L"log", L"getState"};
  for (int i = 0; i < 5; ++i) {
    Bstr name(names[i]);
    LPOLESTR list[] = {name.Get()};
    DISPID id = 0;
    ASSERT_EQ(object->GetIDsOfNames(IID_NULL, list, 1, 0, &id), S_OK) << i;
    EXPECT_EQ(id, 0x60020000 + i);
  }
  Variant state;
  DISPPARAMS none = {};
  ASSERT_EQ(object->Invoke(0x60020004, IID_NULL, 0, DISPATCH_METHOD, &none, state.Get(), nullptr, nullptr), S_OK);
  EXPECT_EQ(state->vt, VT_I4);
  EXPECT_EQ(state->lVal, 0);

  // A script reaches the methods through the same dispatch.
  test::ScriptEngine engine;
  ASSERT_EQ(engine.AddObject(L"bgc", object.Get()), S_OK);
  EXPECT_EQ(engine.EvalString(L"bgc.getState()"), L"0");
}

TEST_F(HostObject, LogWritesTheAgentsLine) {
  const std::wstring folder = test::MakeTempFolder(L"hostobject");
  ASSERT_TRUE(Host().log.Create(folder));
  ComPtr<IBGC> object;
  ASSERT_EQ(ClassFactory<CBGC>::Instance()->CreateInstance(nullptr, IID_PPV_ARGS(&object)), S_OK);
  EXPECT_EQ(object->log(Bstr(L"x").Get(), 12), S_OK);
  EXPECT_EQ(object->log(nullptr, -3), S_OK);
  EXPECT_TRUE(test::HasLine(folder + L"log.txt", "BHO12: x"));
  EXPECT_TRUE(test::HasLine(folder + L"log.txt", "BHO-3: empty"));
}

// The flag is the background page's setIcon's to set; a band asks for it.
TEST_F(HostObject, GetAuthStateFollowsTheAuthenticatedFlag) {
  ComPtr<IBG> object;
  ASSERT_EQ(ClassFactory<CBG>::Instance()->CreateInstance(nullptr, IID_PPV_ARGS(&object)), S_OK);
  for (const bool authenticated : {false, true, false}) {
    Api().authenticated = authenticated;
    int state = -1;
    EXPECT_EQ(object->getAuthState(&state), S_OK);
    EXPECT_EQ(state, authenticated ? 1 : 0);
  }
  EXPECT_EQ(object->getAuthState(nullptr), E_POINTER);
}

TEST_F(HostObject, ProvidesItsClassInformation) {
  ComPtr<IProvideClassInfo> bgc;
  ComPtr<IProvideClassInfo> bg;
  ASSERT_EQ(ClassFactory<CBGC>::Instance()->CreateInstance(nullptr, IID_PPV_ARGS(&bgc)), S_OK);
  ASSERT_EQ(ClassFactory<CBG>::Instance()->CreateInstance(nullptr, IID_PPV_ARGS(&bg)), S_OK);
  for (auto& [object, clsid] : {std::pair{bgc.Get(), CLSID_CBGC}, std::pair{bg.Get(), CLSID_CBG}}) {
    ComPtr<ITypeInfo> info;
    ASSERT_EQ(object->GetClassInfo(&info), S_OK);
    TYPEATTR* attr = nullptr;
    ASSERT_EQ(info->GetTypeAttr(&attr), S_OK);
    EXPECT_TRUE(IsEqualGUID(attr->guid, clsid));
    EXPECT_EQ(attr->typekind, TKIND_COCLASS);
    info->ReleaseTypeAttr(attr);
  }
}

TEST_F(HostObject, CanBeAggregated) {
  CountingModule& module = CountingModule::Get();
  const long before = module.Locks();
  Outer outer;
  ASSERT_EQ(ClassFactory<CBGC>::Instance()->CreateInstance(&outer, IID_PPV_ARGS(&outer.inner)), S_OK);
  EXPECT_EQ(module.Locks(), before + 1);

  // Interfaces of the inner object count references on the outer one and lead
  // back to the outer identity.
  ComPtr<IBGC> bgc;
  ASSERT_EQ(outer.inner.As(&bgc), S_OK);
  EXPECT_EQ(outer.refs, 2u);
  ComPtr<IUnknown> identity;
  ASSERT_EQ(bgc.As(&identity), S_OK);
  EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(&outer));
  int state = -1;
  EXPECT_EQ(bgc->getState(&state), S_OK);
  EXPECT_EQ(state, 0);
  identity.Reset();
  bgc.Reset();
  EXPECT_EQ(outer.refs, 1u);

  // Aggregation asks for IUnknown only.
  ComPtr<IBGC> direct;
  EXPECT_EQ(ClassFactory<CBGC>::Instance()->CreateInstance(&outer, IID_PPV_ARGS(&direct)), CLASS_E_NOAGGREGATION);
  EXPECT_EQ(ClassFactory<FailingClass>::Instance()->CreateInstance(&outer, IID_IUnknown,
                                                                   reinterpret_cast<void**>(direct.GetAddressOf())),
            CLASS_E_NOAGGREGATION);
  outer.inner.Reset();
  EXPECT_EQ(module.Locks(), before);
}

// Spelled out here rather than read from the product, so that a typo there fails.
TEST(HostNames, WindowMessagesKeepTheirNumbers) {
  const std::pair<UINT, UINT> kMessages[] = {
      {WM_AX_QUERY_INTERFACE, 0x8001}, {WM_AX_INPLACE, 0x8009},     {WM_BG_MARSHAL_WINDOW, 0x8008},
      {WM_BG_POPUP_CLOSED, 0x800A},    {WM_BG_CONNECT, 0x8065},     {WM_BG_DISCONNECT, 0x8066},
      {WM_BG_MESSAGE, 0x8067},         {WM_BG_SET_HANDLER, 0x8068}, {WM_BG_KEEP_CLIPBOARD, 0x8069},
      {WM_TOOLBAR_SETSTATE, 0x8014},
  };
  for (const auto& [message, number] : kMessages) EXPECT_EQ(message, number) << std::hex << number;
  EXPECT_STREQ(kToolbarWindowClass, L"TESSARYBARLET");
}

// TessaryBG.exe's dialogs, as the program creates them by name, hold the
// WebBrowser control in a window of the class and id the program looks for. The
// resource compiler writes class names in capitals; the system ignores case.
TEST(HostNames, ProgramDialogsHoldThePageWindows) {
  const struct {
    const wchar_t* dialog;
    std::wstring windowClass;
    DWORD id;
  } kDialogs[] = {{L"DIALOG_1", L"AXBG", 802}, {L"DIALOG_2", L"AXPopup", 801}};
  const auto upper = [](std::wstring text) {
    ::CharUpperBuffW(text.data(), static_cast<DWORD>(text.size()));
    return text;
  };
  const HMODULE program = ::LoadLibraryExW(test::HostProgram().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(program, nullptr);
  for (const auto& d : kDialogs) {
    const HRSRC found = ::FindResourceW(program, d.dialog, RT_DIALOG);
    ASSERT_NE(found, nullptr) << d.dialog;
    const std::wstring resource =
        upper(std::wstring(static_cast<const wchar_t*>(::LockResource(::LoadResource(program, found))),
                           ::SizeofResource(program, found) / sizeof(wchar_t)));
    EXPECT_NE(resource.find(upper(d.windowClass)), std::wstring::npos) << d.dialog;
    EXPECT_NE(resource.find(std::wstring{wchar_t(d.id & 0xFFFF), wchar_t(d.id >> 16)}), std::wstring::npos) << d.dialog;
    EXPECT_NE(resource.find(L"{8856F961-340A-11D0-A96B-00C04FD705A2}"), std::wstring::npos) << d.dialog;
  }
  ::FreeLibrary(program);
}

}  // namespace
}  // namespace tessary::host
