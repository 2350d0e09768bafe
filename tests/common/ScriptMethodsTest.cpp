// The script objects of the host and the page agent through the standard dispatcher: each name
// of the member table that a method list builds (as their MethodTable does)
// reaches the method of that name, with the DISPID of its place, over the
// virtual table that the same list declares.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "Bstr.h"
#include "CBHOHelper.h"
#include "CExtension.h"
#include "CExtensionBGImpl.h"
#include "CExtensionPopupImpl.h"
#include "ScriptMethodTable.h"
#include "TableDispatch.h"

namespace tessary::test {
namespace {

std::wstring g_called;

// Each override names itself; its result is the type's empty value.
#define TESSARY_RECORDING_METHOD(result, name, types, names) \
  result STDMETHODCALLTYPE name types override {             \
    g_called = L"" #name;                                    \
    return static_cast<result>(0);                           \
  }

class RecordingExtension final : public pagelet::CExtensionProt {
 public:
  TESSARY_CONTENT_EXTENSION_METHODS(TESSARY_RECORDING_METHOD)
};

class RecordingChannel final : public pagelet::CBHOHelperProt {
 public:
  TESSARY_TAB_CHANNEL_METHODS(TESSARY_RECORDING_METHOD)
};

class RecordingBackground final : public host::BackgroundExtensionMethods {
 public:
  TESSARY_BACKGROUND_EXTENSION_METHODS(TESSARY_RECORDING_METHOD)
};

class RecordingPopup final : public host::PopupExtensionMethods {
 public:
  TESSARY_POPUP_EXTENSION_METHODS(TESSARY_RECORDING_METHOD)
};

// An argument of each parameter's type, owned by the call.
struct Arguments {
  std::vector<Bstr> strings;
  std::vector<VARIANT> values;
};

void BuildArguments(const METHODDATA& method, Arguments* arguments) {
  for (UINT i = method.cArgs; i-- > 0;) {  // DISPPARAMS holds them last first
    VARIANT value;
    ::VariantInit(&value);
    value.vt = method.ppdata[i].vt;
    if (value.vt == VT_BSTR) {
      arguments->strings.emplace_back(L"text");
      value.bstrVal = arguments->strings.back().Get();
    } else if (value.vt == VT_I4) {
      value.lVal = 7;
    } else {
      value.pdispVal = nullptr;
    }
    arguments->values.push_back(value);
  }
}

TEST(ScriptMethodsTest, EveryNameOfTheTableReachesItsMethod) {
  RecordingExtension extension;
  RecordingChannel channel;
  RecordingBackground background;
  RecordingPopup popup;
  static ScriptMethodTable extensionTable(TESSARY_SCRIPT_METHODS(TESSARY_CONTENT_EXTENSION_METHODS));
  static ScriptMethodTable channelTable(TESSARY_SCRIPT_METHODS(TESSARY_TAB_CHANNEL_METHODS));
  static ScriptMethodTable backgroundTable(TESSARY_SCRIPT_METHODS(TESSARY_BACKGROUND_EXTENSION_METHODS));
  static ScriptMethodTable popupTable(TESSARY_SCRIPT_METHODS(TESSARY_POPUP_EXTENSION_METHODS));
  const struct Case {
    const char* object;
    INTERFACEDATA* table;
    void* instance;
  } kCases[] = {
      {"extension", extensionTable.Data(), &extension},
      {"tab channel", channelTable.Data(), &channel},
      {"background extension", backgroundTable.Data(), &background},
      {"popup extension", popupTable.Data(), &popup},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.object);
    TableDispatch dispatch;
    ASSERT_HRESULT_SUCCEEDED(CreateTableDispatch(c.table, LOCALE_SYSTEM_DEFAULT, c.instance, &dispatch));
    for (UINT slot = 0; slot < c.table->cMembers; ++slot) {
      const METHODDATA& method = c.table->pmethdata[slot];
      SCOPED_TRACE(method.szName);
      DISPID id = DISPID_UNKNOWN;
      LPOLESTR name = method.szName;
      ASSERT_HRESULT_SUCCEEDED(dispatch.dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_SYSTEM_DEFAULT, &id));
      EXPECT_EQ(id, static_cast<DISPID>(slot + 1)) << "the DISPID is the place in the list, plus one";
      Arguments arguments;
      BuildArguments(method, &arguments);
      DISPPARAMS params = {arguments.values.data(), nullptr, method.cArgs, 0};
      VARIANT result;
      ::VariantInit(&result);
      g_called.clear();
      EXPECT_HRESULT_SUCCEEDED(dispatch.dispatch->Invoke(id, IID_NULL, LOCALE_SYSTEM_DEFAULT, DISPATCH_METHOD, &params,
                                                         &result, nullptr, nullptr));
      EXPECT_EQ(g_called, std::wstring(method.szName)) << "the call reached another slot's method";
      EXPECT_EQ(result.vt, method.vtReturn) << "the result comes back as the table's type";
      ::VariantClear(&result);
    }
  }
}

}  // namespace
}  // namespace tessary::test
