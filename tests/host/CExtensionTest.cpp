#include "CExtension.h"

#include <gtest/gtest.h>

#include "Bstr.h"
#include "HostProcess.h"
#include "ScriptCallback.h"
#include "ScriptEngine.h"
#include "TestEnvironment.h"
#include "Variant.h"

namespace tessary::host {
namespace {

using Microsoft::WRL::ComPtr;

// The background and popup objects, driven by the real script engine. Their log
// lines go to the process log, placed in a folder of the test's own.
class CExtensionTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    ASSERT_TRUE(Host().directories.Prepare());
    logFolder_ = test::MakeTempFolder(L"extension");
    ASSERT_TRUE(Host().log.Create(logFolder_));
  }
  void SetUp() override {
    ASSERT_TRUE(background_.init(false));
    ASSERT_TRUE(popup_.init(true));
    ASSERT_TRUE(engine_.IsValid());
    ASSERT_EQ(engine_.AddObject(L"extension", static_cast<IDispatchEx*>(&background_)), S_OK);
    ASSERT_EQ(engine_.AddObject(L"popup", static_cast<IDispatchEx*>(&popup_)), S_OK);
  }
  static bool Logged(const std::string& line) { return test::HasLine(logFolder_ + L"log.txt", line); }
  static DISPID DispId(IDispatchEx* object, const wchar_t* name) {
    DISPID id = 0;
    Bstr text(name);
    const HRESULT hr = object->GetDispID(text.Get(), fdexNameCaseSensitive, &id);
    return SUCCEEDED(hr) ? id : hr;
  }

  static std::wstring logFolder_;
  CExtension background_;
  CExtension popup_;
  test::ScriptEngine engine_;
};

std::wstring CExtensionTest::logFolder_;

TEST_F(CExtensionTest, MembersHaveTheirTableDispIds) {
  EXPECT_EQ(DispId(&background_, L"getTextFile"), 1);
  EXPECT_EQ(DispId(&background_, L"log"), 4);
  EXPECT_EQ(DispId(&background_, L"itemGet"), 10);
  EXPECT_EQ(DispId(&background_, L"activeTab"), 16);
  EXPECT_EQ(DispId(&background_, L"releaseBG"), DISP_E_UNKNOWNNAME);
  EXPECT_EQ(DispId(&popup_, L"getBackgroundWindow"), 1);
  EXPECT_EQ(DispId(&popup_, L"log"), 2);
  EXPECT_EQ(DispId(&popup_, L"releaseBG"), 5);
  EXPECT_EQ(DispId(&popup_, L"itemGet"), DISP_E_UNKNOWNNAME);
}

TEST_F(CExtensionTest, ScriptsCallTheLogOfTheirPageKind) {
  ASSERT_EQ(engine_.Run(L"extension.log('from background'); popup.log('from popup');"), S_OK)
      << test::Narrow(engine_.LastError());
  EXPECT_TRUE(Logged("BG Script: from background"));
  EXPECT_TRUE(Logged("Popup Script: from popup"));
}

TEST_F(CExtensionTest, ANullStringIsLoggedAsEmpty) {
  VARIANT arg = ArgBstr(nullptr);
  DISPPARAMS params = {&arg, nullptr, 1, 0};
  ASSERT_EQ(background_.InvokeEx(4, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), S_OK);
  EXPECT_TRUE(Logged("BG Script: empty"));
}

TEST_F(CExtensionTest, ReadingAMethodAsAPropertyCallsIt) {
  const std::wstring expected = test::FileUrl(Host().directories.ProgramFolder());
  EXPECT_EQ(engine_.EvalString(L"extension.getExtUrl"), expected);
  EXPECT_EQ(engine_.EvalString(L"extension.getExtUrl()"), expected);

  Variant result;
  DISPPARAMS none = {};
  EXPECT_EQ(background_.InvokeEx(10, 0, DISPATCH_PROPERTYGET, &none, result.Get(), nullptr, nullptr),
            DISP_E_BADPARAMCOUNT);
  EXPECT_NE(engine_.Run(L"var f = extension.itemGet;"), S_OK);
}

TEST_F(CExtensionTest, BadArgumentsFailThroughTheDispatcher) {
  EXPECT_NE(engine_.Run(L"extension.log();"), S_OK);
  VARIANT text = ArgBstr(Bstr(L"not a number").Detach());
  DISPPARAMS params = {&text, nullptr, 1, 0};
  EXPECT_EQ(background_.InvokeEx(14, 0, DISPATCH_METHOD, &params, nullptr, nullptr, nullptr), DISP_E_TYPEMISMATCH);
  ::SysFreeString(text.bstrVal);
  DISPPARAMS none = {};
  EXPECT_EQ(background_.InvokeEx(4, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), DISP_E_BADPARAMCOUNT);
}

TEST_F(CExtensionTest, IDispatchItselfIsNotForCallers) {
  DISPPARAMS none = {};
  EXPECT_EQ(background_.Invoke(2, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), E_NOTIMPL);
  EXPECT_EQ(background_.Invoke(999, IID_NULL, 0, DISPATCH_METHOD, &none, nullptr, nullptr, nullptr), E_NOTIMPL);
  UINT count = 0;
  EXPECT_EQ(background_.GetTypeInfoCount(&count), E_NOTIMPL);

  Bstr name(L"getExtUrl");
  LPOLESTR names[] = {name.Get()};
  DISPID id = 0;
  EXPECT_EQ(background_.GetIDsOfNames(IID_IDispatch, names, 1, 0, &id), DISP_E_UNKNOWNINTERFACE);
  EXPECT_EQ(background_.GetIDsOfNames(IID_NULL, names, 1, 0, &id), S_OK);
  EXPECT_EQ(id, 2);
}

TEST_F(CExtensionTest, AnswersOnlyItsThreeInterfaces) {
  ComPtr<IUnknown> unknown;
  ComPtr<IDispatch> dispatch;
  ComPtr<IDispatchEx> dispatchEx;
  EXPECT_EQ(background_.QueryInterface(IID_PPV_ARGS(&unknown)), S_OK);
  EXPECT_EQ(background_.QueryInterface(IID_PPV_ARGS(&dispatch)), S_OK);
  EXPECT_EQ(background_.QueryInterface(IID_PPV_ARGS(&dispatchEx)), S_OK);
  void* other = reinterpret_cast<void*>(1);
  EXPECT_EQ(background_.QueryInterface(IID_IProvideClassInfo, &other), E_NOINTERFACE);
  EXPECT_EQ(other, nullptr);
}

TEST_F(CExtensionTest, ReleaseToZeroLeavesTheObjectUsable) {
  CExtension* object = new CExtension();
  ASSERT_TRUE(object->init(false));
  EXPECT_EQ(object->AddRef(), 1u);
  EXPECT_EQ(object->Release(), 0u);
  EXPECT_EQ(DispId(object, L"itemSet"), 9);
  test::ScriptEngine engine;
  ASSERT_EQ(engine.AddObject(L"ext", static_cast<IDispatchEx*>(object)), S_OK);
  ASSERT_EQ(engine.Run(L"ext.log('still here');"), S_OK);
  EXPECT_TRUE(Logged("BG Script: still here"));
}

TEST(ScriptCallback, CallsTheFunctionWithItsArgumentsInOrder) {
  test::ScriptEngine engine;
  ASSERT_EQ(engine.Run(L"var got = 'never called';"
                       L"function cb(n, s, o) { got = [arguments.length, typeof n, n, s, typeof o].join('|'); "
                       L"return 'ignored'; }"),
            S_OK);
  Variant function;
  ASSERT_EQ(engine.Eval(L"cb", function.Get()), S_OK);
  ASSERT_EQ(function->vt, VT_DISPATCH);
  Bstr text(L"x\u00e9");
  EXPECT_EQ(CallScriptFunction(function->pdispVal, {ArgI4(5), ArgBstr(text.Get()), ArgDispatch(function->pdispVal)}),
            S_OK);
  EXPECT_EQ(engine.EvalString(L"got"), L"3|number|5|x\u00e9|function");
  EXPECT_EQ(CallScriptFunction(nullptr, {}), E_POINTER);
}

}  // namespace
}  // namespace tessary::host
