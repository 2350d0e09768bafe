// The band object as a browser drives it, loaded from barlet.dll through its
// class factory and sited on sites of the test's own: band information,
// siting and its refusals, showing and closing, focus, and the module's lock.
#include <gtest/gtest.h>
#include <shobjidl.h>

#include <commctrl.h>

#include <cstring>
#include <vector>

#include <wrl/client.h>

#include "HostRegistration.h"
#include "ModuleExport.h"
#include "StandInTest.h"
#include "TestEnvironment.h"
#include "ToolbarWindow.h"
#include "UniqueHandle.h"

namespace tessary::test {
namespace {

using Microsoft::WRL::ComPtr;

// A band site with the interfaces it is given, on a window of its own.
class TestSite final : public IOleWindow, public IInputObjectSite {
 public:
  TestSite(bool oleWindow, bool inputSite, HWND window)
      : oleWindow_(oleWindow), inputSite_(inputSite), window_(window) {}

  IFACEMETHODIMP QueryInterface(REFIID riid, void** object) override {
    *object = nullptr;
    if (IsEqualIID(riid, IID_IUnknown) || (oleWindow_ && IsEqualIID(riid, IID_IOleWindow))) {
      *object = static_cast<IOleWindow*>(this);
    } else if (inputSite_ && IsEqualIID(riid, IID_IInputObjectSite)) {
      *object = static_cast<IInputObjectSite*>(this);
    }
    if (!*object) return E_NOINTERFACE;
    AddRef();
    return S_OK;
  }
  IFACEMETHODIMP_(ULONG) AddRef() override { return ++refs_; }
  IFACEMETHODIMP_(ULONG) Release() override { return --refs_; }
  IFACEMETHODIMP GetWindow(HWND* window) override {
    *window = window_;
    return S_OK;
  }
  IFACEMETHODIMP ContextSensitiveHelp(BOOL) override { return E_NOTIMPL; }
  IFACEMETHODIMP OnFocusChangeIS(IUnknown*, BOOL) override { return S_OK; }
  ULONG References() const { return refs_; }

 private:
  bool oleWindow_;
  bool inputSite_;
  HWND window_;
  ULONG refs_ = 0;
};

int ToolbarWindowsIn(HWND parent) {
  int count = 0;
  ::EnumChildWindows(
      parent,
      [](HWND window, LPARAM found) {
        if (WindowClass(window) == kToolbarWindowClass) ++*reinterpret_cast<int*>(found);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&count));
  return count;
}

bool HasVisibleStyle(HWND window) { return (::GetWindowLongW(window, GWL_STYLE) & WS_VISIBLE) != 0; }

class BandObjectTest : public ::testing::Test {
 protected:
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);

  void SetUp() override {
    library_.Reset(::LoadLibraryW(ToolbarLibrary().c_str()));
    ASSERT_TRUE(library_.IsValid());
    CLSID clsid;
    ASSERT_EQ(::CLSIDFromString(kToolbarClsid, &clsid), S_OK);
    auto getClassObject = Export<GetClassObject>(library_.Get(), "DllGetClassObject");
    ASSERT_EQ(getClassObject(clsid, IID_PPV_ARGS(&factory_)), S_OK);
    ASSERT_EQ(factory_->CreateInstance(nullptr, IID_PPV_ARGS(&band_)), S_OK);
    // Hidden, so that it goes without waiting for a window manager.
    parent_ = ::CreateWindowExW(0, L"STATIC", L"site", WS_POPUP, 0, 0, 400, 40, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(parent_, nullptr);
  }
  void TearDown() override {
    ComPtr<IObjectWithSite> withSite;
    if (band_ && SUCCEEDED(band_.As(&withSite))) withSite->SetSite(nullptr);
    band_.Reset();
    ::DestroyWindow(parent_);
  }
  HRESULT Site(IUnknown* site) {
    ComPtr<IObjectWithSite> withSite;
    return FAILED(band_.As(&withSite)) ? E_NOINTERFACE : withSite->SetSite(site);
  }
  HWND BandWindow() {
    HWND window = nullptr;
    band_->GetWindow(&window);
    return window;
  }

  UniqueLibrary library_;
  ComPtr<IClassFactory> factory_;
  ComPtr<IDeskBand> band_;
  HWND parent_ = nullptr;
};

TEST_F(BandObjectTest, BandInformationIsFilledByMaskAndTheBrowsersBackgroundIsKept) {
  struct Case {
    DWORD mask;
    DWORD maskAfter;
  };
  const Case cases[] = {
      {DBIM_TITLE, DBIM_TITLE},
      {DBIM_BKCOLOR | DBIM_MINSIZE, DBIM_MINSIZE},
      {DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS | DBIM_BKCOLOR,
       DBIM_MINSIZE | DBIM_MAXSIZE | DBIM_INTEGRAL | DBIM_ACTUAL | DBIM_TITLE | DBIM_MODEFLAGS},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.mask);
    DESKBANDINFO info;
    std::memset(&info, 0x55, sizeof(info));
    info.dwMask = c.mask;
    const DESKBANDINFO untouched = info;
    ASSERT_EQ(band_->GetBandInfo(3, DBIF_VIEWMODE_NORMAL, &info), S_OK);
    EXPECT_EQ(info.dwMask, c.maskAfter);
    const auto is = [&](DWORD bit, const POINTL& value, POINTL expected, const POINTL& before) {
      const POINTL want = c.mask & bit ? expected : before;
      EXPECT_TRUE(value.x == want.x && value.y == want.y) << "field of bit " << bit;
    };
    is(DBIM_MINSIZE, info.ptMinSize, {32, 32}, untouched.ptMinSize);
    is(DBIM_MAXSIZE, info.ptMaxSize, {0, -1}, untouched.ptMaxSize);
    is(DBIM_INTEGRAL, info.ptIntegral, {0, 0}, untouched.ptIntegral);
    is(DBIM_ACTUAL, info.ptActual, {32, 32}, untouched.ptActual);
    EXPECT_EQ(info.dwModeFlags, c.mask & DBIM_MODEFLAGS ? static_cast<DWORD>(DBIMF_VARIABLEHEIGHT) : untouched.dwModeFlags);
    if (c.mask & DBIM_TITLE) {
      EXPECT_STREQ(info.wszTitle, L"toolbar");
    } else {
      EXPECT_EQ(std::memcmp(info.wszTitle, untouched.wszTitle, sizeof(info.wszTitle)), 0);
    }
  }
  EXPECT_EQ(band_->GetBandInfo(0, DBIF_VIEWMODE_NORMAL, nullptr), S_OK);
}

TEST_F(BandObjectTest, ASiteWithoutAWindowOrAnInputSiteIsRefusedAndGetsNoWindow) {
  struct Case {
    const char* name;
    bool oleWindow;
    bool inputSite;
    bool validWindow;
  };
  const Case cases[] = {
      {"no IOleWindow", false, true, true},
      {"no window", true, true, false},
      {"no IInputObjectSite", true, false, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TestSite site(c.oleWindow, c.inputSite, c.validWindow ? parent_ : nullptr);
    EXPECT_EQ(Site(static_cast<IOleWindow*>(&site)), E_FAIL);
    EXPECT_EQ(BandWindow(), nullptr);
    EXPECT_EQ(ToolbarWindowsIn(parent_), 0);
    EXPECT_EQ(site.References(), 0u) << "a refused site is not kept";
  }
  ComPtr<IObjectWithSite> withSite;
  ASSERT_EQ(band_.As(&withSite), S_OK);
  ComPtr<IUnknown> none;
  EXPECT_EQ(withSite->GetSite(IID_PPV_ARGS(&none)), E_FAIL);
  EXPECT_EQ(withSite->SetSite(nullptr), S_OK);
  HWND* nowhere = nullptr;
  EXPECT_EQ(band_->GetWindow(nowhere), E_INVALIDARG);
}

TEST_F(BandObjectTest, ASitedBandShowsClosesAndShowsTheSameToolbarWindowAgain) {
  TestSite site(true, true, parent_);
  ASSERT_EQ(Site(static_cast<IOleWindow*>(&site)), S_OK);
  const HWND window = BandWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_EQ(WindowClass(window), kToolbarWindowClass);
  EXPECT_EQ(::GetAncestor(window, GA_ROOT), parent_) << "made in the site's window";
  EXPECT_EQ(ToolbarWindowsIn(parent_), 1);
  ComPtr<IObjectWithSite> withSite;
  ASSERT_EQ(band_.As(&withSite), S_OK);
  ComPtr<IInputObjectSite> kept;
  EXPECT_EQ(withSite->GetSite(IID_PPV_ARGS(&kept)), S_OK);

  ASSERT_EQ(band_->ShowDW(TRUE), S_OK);
  EXPECT_TRUE(HasVisibleStyle(window));
  ASSERT_EQ(band_->CloseDW(0), S_OK);
  EXPECT_TRUE(::IsWindow(window)) << "closing only hides";
  EXPECT_FALSE(HasVisibleStyle(window));
  ASSERT_EQ(band_->ShowDW(TRUE), S_OK);
  EXPECT_EQ(BandWindow(), window);
  EXPECT_TRUE(HasVisibleStyle(window));

  ComPtr<IInputObject> input;
  ASSERT_EQ(band_.As(&input), S_OK);
  ::SetFocus(parent_);
  EXPECT_EQ(input->HasFocusIO(), S_FALSE);
  ::SetFocus(window);
  EXPECT_EQ(input->HasFocusIO(), S_OK);

  kept.Reset();
  EXPECT_EQ(Site(nullptr), S_OK);
  EXPECT_EQ(site.References(), 0u) << "the site is let go";
  EXPECT_TRUE(::IsWindow(window)) << "the windows go with the band, not with its site";
}

TEST_F(BandObjectTest, TheIconGroupsHoldTheirSizesIn256ColoursAndFillTheButtonsImageList) {
#pragma pack(push, 2)
  struct GroupEntry {
    BYTE width, height, colours, reserved;
    WORD planes, bitCount;
    DWORD bytes;
    WORD id;
  };
#pragma pack(pop)
  struct Case {
    UINT group;
    std::vector<int> sizes;
  };
  for (const Case& c : {Case{203, {16, 32, 48, 64, 128}}, Case{209, {16, 32, 48, 64}}}) {
    SCOPED_TRACE(c.group);
    HRSRC found = ::FindResourceW(library_.Get(), MAKEINTRESOURCEW(c.group), RT_GROUP_ICON);
    ASSERT_NE(found, nullptr);
    const auto* group = static_cast<const WORD*>(::LockResource(::LoadResource(library_.Get(), found)));
    const auto* entries = reinterpret_cast<const GroupEntry*>(group + 3);
    std::vector<int> sizes;
    for (WORD i = 0; i < group[2]; ++i) {
      sizes.push_back(entries[i].width ? entries[i].width : 256);
      EXPECT_EQ(entries[i].bitCount, 8) << "256 colours";
      EXPECT_NE(::LoadImageW(library_.Get(), MAKEINTRESOURCEW(c.group), IMAGE_ICON, sizes.back(), sizes.back(), 0),
                nullptr);
    }
    EXPECT_EQ(sizes, c.sizes);
  }
  TestSite site(true, true, parent_);
  ASSERT_EQ(Site(static_cast<IOleWindow*>(&site)), S_OK);
  const auto images = reinterpret_cast<HIMAGELIST>(::SendMessageW(BandWindow(), TB_GETIMAGELIST, 0, 0));
  EXPECT_EQ(::ImageList_GetImageCount(images), 2);
  EXPECT_EQ(Site(nullptr), S_OK);
}

TEST_F(BandObjectTest, TheFactoryRefusesAggregationAndEachBandHoldsTheModule) {
  using CanUnloadNow = HRESULT(STDAPICALLTYPE*)();
  auto canUnloadNow = Export<CanUnloadNow>(library_.Get(), "DllCanUnloadNow");
  ComPtr<IUnknown> inner;
  EXPECT_EQ(factory_->CreateInstance(band_.Get(), IID_PPV_ARGS(&inner)), CLASS_E_NOAGGREGATION);
  ComPtr<IClassFactory> other;
  auto getClassObject = Export<GetClassObject>(library_.Get(), "DllGetClassObject");
  EXPECT_EQ(getClassObject(IID_IUnknown, IID_PPV_ARGS(&other)), CLASS_E_CLASSNOTAVAILABLE);

  // The band's own interface stands for its identity; IDispatch comes from
  // the module's type library.
  ComPtr<IUnknown> identity;
  ComPtr<IDispatch> dispatch;
  ASSERT_EQ(band_.As(&identity), S_OK);
  ASSERT_EQ(band_.As(&dispatch), S_OK);
  EXPECT_EQ(identity.Get(), static_cast<IUnknown*>(dispatch.Get()));
  ComPtr<ITypeInfo> typeInfo;
  ASSERT_EQ(dispatch->GetTypeInfo(0, 0, &typeInfo), S_OK);
  TYPEATTR* attributes = nullptr;
  ASSERT_EQ(typeInfo->GetTypeAttr(&attributes), S_OK);
  wchar_t iid[40] = {};
  ::StringFromGUID2(attributes->guid, iid, ARRAYSIZE(iid));
  typeInfo->ReleaseTypeAttr(attributes);
  EXPECT_STREQ(iid, L"{CD56780A-DB20-40E0-9BD5-36014A7FF708}");

  EXPECT_EQ(canUnloadNow(), S_FALSE);
  identity.Reset();
  dispatch.Reset();
  typeInfo.Reset();
  band_.Reset();
  EXPECT_EQ(canUnloadNow(), S_OK);
}

}  // namespace
}  // namespace tessary::test
