// The stand-in's tabs in the shell's list of open browser windows, as another
// process (this test) finds them there: listed, read, navigated into a new
// tab and quit; the file explorer's folder window is listed beside them.
#include <windows.h>
#include <exdisp.h>
#include <shlguid.h>
#include <shlwapi.h>
#include <shobjidl.h>

#include <gtest/gtest.h>

#include <wrl/client.h>

#include "Bstr.h"
#include "ChildProcess.h"
#include "ComIdentity.h"
#include "ComObject.h"
#include "Registrar.h"
#include "Registry.h"
#include "StandInTest.h"
#include "TestEnvironment.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {
namespace {

// A tab's own window, from its shell browser.
HWND TabWindow(IWebBrowser2* browser) {
  ComPtr<IOleWindow> shellBrowser;
  HWND window = nullptr;
  if (SUCCEEDED(IUnknown_QueryService(browser, SID_SShellBrowser, IID_PPV_ARGS(&shellBrowser)))) {
    shellBrowser->GetWindow(&window);
  }
  return window;
}

struct ListedWindow {
  ComPtr<IWebBrowser2> browser;
  std::wstring fullName;
  std::wstring url;
};

std::wstring Read(IWebBrowser2* browser, HRESULT (STDMETHODCALLTYPE IWebBrowser2::*property)(BSTR*)) {
  Bstr value;
  return SUCCEEDED((browser->*property)(value.Put())) ? std::wstring(value.View()) : L"<failed>";
}

bool EndsWith(const std::wstring& text, const std::wstring& end) {
  return text.size() >= end.size() && ::StrCmpIW(text.c_str() + text.size() - end.size(), end.c_str()) == 0;
}

// A window of this test's own for the list, as a browser registers itself.
class OwnWindow : public ComObjectRoot, public IDispatch {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {QITABENT(OwnWindow, IDispatch), {}};
    return interfaces;
  }
  IFACEMETHODIMP GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  IFACEMETHODIMP Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return E_NOTIMPL;
  }
};

// Never shown: destroying a shown top-level window costs two seconds under Wine.
HWND HiddenWindow() {
  return ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
}

LONG AsListWindow(HWND window) { return static_cast<LONG>(reinterpret_cast<LONG_PTR>(window)); }

class ShellWindowsTest : public StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    ASSERT_EQ(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&list_)), S_OK);
  }
  void TearDown() override {
    list_.Reset();
    StandInTest::TearDown();
  }

  std::vector<ListedWindow> Listed() {
    std::vector<ListedWindow> windows;
    LONG count = 0;
    EXPECT_EQ(list_->get_Count(&count), S_OK);
    for (LONG i = 0; i < count; ++i) {
      ComPtr<IDispatch> item;
      ListedWindow window;
      if (list_->Item(ArgI4(i), &item) != S_OK || FAILED(item.As(&window.browser))) {
        ADD_FAILURE() << "item " << i << " is no browser";
        continue;
      }
      window.fullName = Read(window.browser.Get(), &IWebBrowser2::get_FullName);
      window.url = Read(window.browser.Get(), &IWebBrowser2::get_LocationURL);
      windows.push_back(window);
    }
    return windows;
  }
  // The listed window of a tab of the stand-in showing that page.
  ComPtr<IWebBrowser2> TabShowing(const std::wstring& page) {
    for (const ListedWindow& window : Listed()) {
      if (EndsWith(window.fullName, L"\\IEXPLORE.EXE") && window.url == page) return window.browser;
    }
    return nullptr;
  }
  bool WaitForCount(LONG expected, DWORD timeoutMs = 15000) {
    LONG count = -1;
    // A list that fails to count ends the wait at once.
    WaitUntil([&] { return FAILED(list_->get_Count(&count)) || count == expected; }, timeoutMs);
    return count == expected;
  }
  // The frame learns of a tab's end from the tab process's exit, a moment
  // after the shell's list has dropped it.
  static std::vector<DWORD> WaitForTabs(BrowserSession* session, const std::vector<DWORD>& expected) {
    std::vector<DWORD> tabs;
    WaitUntil(
        [&] {
          tabs = session->Tabs();
          return tabs == expected;
        },
        15000);
    return tabs;
  }

  ComPtr<IShellWindows> list_;
};

TEST_F(ShellWindowsTest, TheShellsClassReachesTheStandInThatOnlyTheTestPrefixRegisters) {
  const std::wstring standIn = FixturesDirectory() + L"shellwindows_standin.dll";
  const auto server = ReadString(HKEY_CLASSES_ROOT, L"CLSID\\" + GuidString(CLSID_ShellWindows) + L"\\InprocServer32");
  ASSERT_TRUE(server.has_value());
  EXPECT_EQ(::StrCmpIW(server->c_str(), standIn.c_str()), 0) << Narrow(*server);
  for (const std::wstring& folder : {BinDirectory(), ExtensionDirectory()}) {
    for (const wchar_t* file : {L"shellwindows_standin.dll", L"shellwindows_server.exe", L"IEXPLORE.EXE"}) {
      EXPECT_EQ(::GetFileAttributesW((folder + file).c_str()), INVALID_FILE_ATTRIBUTES) << "shipped: " << Narrow(file);
    }
  }
  // Without a browser the list holds the folder window, which is no browser
  // of Internet Explorer.
  const std::vector<ListedWindow> windows = Listed();
  ASSERT_EQ(windows.size(), 1u);
  EXPECT_TRUE(EndsWith(windows[0].fullName, L"\\explorer.exe")) << Narrow(windows[0].fullName);
}

TEST_F(ShellWindowsTest, RegisteredWindowsAreListedInOrderUntilRevokedOrTheirWindowIsGone) {
  auto own = MakeComObject<OwnWindow>();
  auto other = MakeComObject<OwnWindow>();
  HWND ownWindow = HiddenWindow();
  HWND otherWindow = HiddenWindow();
  LONG ownCookie = 0;
  LONG otherCookie = 0;
  ASSERT_EQ(list_->Register(own.Get(), AsListWindow(ownWindow), SWC_BROWSER, &ownCookie), S_OK);
  ASSERT_EQ(list_->Register(other.Get(), AsListWindow(otherWindow), SWC_BROWSER, &otherCookie), S_OK);
  LONG count = 0;
  ASSERT_EQ(list_->get_Count(&count), S_OK);
  EXPECT_EQ(count, 3);
  ComPtr<IDispatch> item;
  ASSERT_EQ(list_->Item(ArgI4(1), &item), S_OK);
  EXPECT_TRUE(SameObject(item.Get(), own.Get())) << "the list hands out the registered object itself";
  EXPECT_EQ(list_->Item(ArgI4(3), item.ReleaseAndGetAddressOf()), S_FALSE);
  EXPECT_FALSE(item);
  Bstr word(L"first");
  EXPECT_EQ(list_->Item(ArgBstr(word.Get()), item.ReleaseAndGetAddressOf()), E_INVALIDARG);

  EXPECT_EQ(list_->Revoke(ownCookie), S_OK);
  EXPECT_EQ(list_->Revoke(ownCookie), E_INVALIDARG);
  ASSERT_EQ(list_->Item(ArgI4(1), item.ReleaseAndGetAddressOf()), S_OK);
  EXPECT_TRUE(SameObject(item.Get(), other.Get()));
  // A browser whose process ended without revoking leaves with its window.
  ::DestroyWindow(otherWindow);
  EXPECT_TRUE(WaitForCount(1));

  ComPtr<IUnknown> enumeration;
  ComPtr<IEnumVARIANT> items;
  ASSERT_EQ(list_->_NewEnum(&enumeration), S_OK);
  ASSERT_EQ(enumeration.As(&items), S_OK);
  EXPECT_EQ(items->Skip(2), S_FALSE);
  ComPtr<IEnumVARIANT> copy;
  ASSERT_EQ(items->Reset(), S_OK);
  ASSERT_EQ(items->Clone(&copy), S_OK);
  Variant folder;
  ULONG fetched = 0;
  EXPECT_EQ(copy->Next(1, folder.Get(), &fetched), S_OK);
  EXPECT_EQ(fetched, 1u);
  EXPECT_EQ(folder->vt, VT_DISPATCH);
  ::DestroyWindow(ownWindow);
}

TEST_F(ShellWindowsTest, EveryTabIsListedWithItsAddressProgramAndTopLevelBrowser) {
  const std::wstring first = Page(L"first.html", "<p>first</p>");
  const std::wstring second = Page(L"second.html", "<p>second</p>");
  BrowserSession* session = Start(first);
  ASSERT_TRUE(session);
  const DWORD secondTab = session->OpenTab(second);
  ASSERT_NE(secondTab, 0u);
  const std::vector<ListedWindow> windows = Listed();
  ASSERT_EQ(windows.size(), 3u) << "the folder window and two tabs";
  EXPECT_TRUE(EndsWith(windows[0].fullName, L"\\explorer.exe"));
  EXPECT_TRUE(EndsWith(windows[1].fullName, L"\\IEXPLORE.EXE")) << Narrow(windows[1].fullName);
  EXPECT_EQ(windows[1].url, first);
  EXPECT_EQ(windows[2].url, second) << "in the order the tabs opened";
  for (const ListedWindow& window : windows) {
    VARIANT_BOOL top = VARIANT_FALSE;
    EXPECT_EQ(window.browser->get_TopLevelContainer(&top), S_OK);
    EXPECT_EQ(top, VARIANT_TRUE);
    ComPtr<IShellBrowser> topLevel;
    EXPECT_EQ(IUnknown_QueryService(window.browser.Get(), SID_STopLevelBrowser, IID_PPV_ARGS(&topLevel)), S_OK);
  }
  // As in Internet Explorer: every tab's HWND is the frame's; a tab's own
  // window is its shell browser's, shown only while the tab is in front.
  for (const ListedWindow& window : {windows[1], windows[2]}) {
    SHANDLE_PTR frame = 0;
    ASSERT_EQ(window.browser->get_HWND(&frame), S_OK);
    EXPECT_EQ(reinterpret_cast<HWND>(frame), session->FrameWindow());
  }
  const HWND firstWindow = TabWindow(windows[1].browser.Get());
  const HWND secondWindow = TabWindow(windows[2].browser.Get());
  EXPECT_EQ(reinterpret_cast<UINT_PTR>(secondWindow), secondTab) << "a tab is named by its window";
  EXPECT_FALSE(::IsWindowVisible(firstWindow));
  EXPECT_TRUE(::IsWindowVisible(secondWindow));
  ASSERT_TRUE(session->SwitchTab(session->Tabs().at(0)));
  EXPECT_TRUE(::IsWindowVisible(firstWindow));
  EXPECT_FALSE(::IsWindowVisible(secondWindow));

  ComPtr<IUnknown> enumeration;
  ComPtr<IEnumVARIANT> items;
  ASSERT_EQ(list_->_NewEnum(&enumeration), S_OK);
  ASSERT_EQ(enumeration.As(&items), S_OK);
  VARIANT fetched[4];
  ULONG count = 0;
  EXPECT_EQ(items->Next(4, fetched, &count), S_FALSE);
  EXPECT_EQ(count, 3u);
  for (ULONG i = 0; i < count; ++i) ::VariantClear(&fetched[i]);
}

TEST_F(ShellWindowsTest, Navigate2IntoANewTabOpensItInANewProcess) {
  const std::wstring first = Page(L"first.html", "<p>first</p>");
  const std::wstring added = Page(L"added.html", "<p id='added'>added</p>");
  BrowserSession* session = Start(first);
  ASSERT_TRUE(session);
  const std::vector<DWORD> before = session->Tabs();
  ComPtr<IWebBrowser2> tab = TabShowing(first);
  ASSERT_TRUE(tab);
  Bstr address(added);
  VARIANT url = ArgBstr(address.Get());
  VARIANT flags = ArgI4(navOpenInNewTab);
  VARIANT empty = {};
  ASSERT_EQ(tab->Navigate2(&url, &flags, &empty, &empty, &empty), S_OK);

  ASSERT_TRUE(WaitForCount(3)) << "the folder window and two tabs";
  // Listed before it is up; named once it is.
  std::vector<DWORD> after;
  ASSERT_TRUE(WaitUntil([&] { return (after = session->Tabs()).size() == 2; }, 30000));
  const DWORD opened = after[1];
  EXPECT_NE(opened, before[0]);
  EXPECT_NE(session->TabProcess(opened), session->TabProcess(before[0])) << "the new tab runs in a process of its own";
  EXPECT_NE(session->TabProcess(opened), session->FrameProcessId());
  ASSERT_TRUE(session->WaitForDocument(opened, 1)) << Narrow(session->LastError());
  EXPECT_EQ(session->Text(opened, L"added"), L"added");
  EXPECT_EQ(session->FrontTab(), opened);
  EXPECT_EQ(Read(tab.Get(), &IWebBrowser2::get_LocationURL), first) << "the first tab stays where it was";
}

// Quit closes the tab of that browser only (a page can be reopened in a new
// tab and the old tab quit); the frame goes with its last tab.
TEST_F(ShellWindowsTest, QuitClosesThatTabOnlyAndTheFolderWindowIsLeftAlone) {
  const std::wstring first = Page(L"first.html", "<p>first</p>");
  const std::wstring second = Page(L"second.html", "<p>second</p>");
  const std::wstring other = Page(L"other.html", "<p>other</p>");
  BrowserSession* quitting = Start(first);
  BrowserSession* staying = Start(other);
  ASSERT_TRUE(quitting && staying);
  const DWORD firstTab = quitting->Tabs().at(0);
  const DWORD firstProcess = quitting->TabProcess(firstTab);
  const DWORD secondTab = quitting->OpenTab(second);
  ASSERT_NE(secondTab, 0u);
  const std::wstring folder = Listed().at(0).url;

  ComPtr<IWebBrowser2> tab = TabShowing(first);
  ASSERT_TRUE(tab);
  ASSERT_EQ(tab->Quit(), S_OK);
  EXPECT_TRUE(WaitForProcessEnd(firstProcess, 15000)) << "the quit tab closes";
  ASSERT_TRUE(WaitForCount(3));
  EXPECT_TRUE(quitting->IsRunning()) << "its frame stays with the other tab";
  EXPECT_EQ(WaitForTabs(quitting, {secondTab}), std::vector<DWORD>{secondTab});

  // Quitting the last tab closes the frame.
  tab = TabShowing(second);
  ASSERT_TRUE(tab);
  ASSERT_EQ(tab->Quit(), S_OK);
  EXPECT_TRUE(WaitForProcessEnd(quitting->FrameProcessId(), 15000)) << "the frame closes with its last tab";
  ASSERT_TRUE(WaitForCount(2));
  const std::vector<ListedWindow> windows = Listed();
  EXPECT_EQ(windows[0].url, folder) << "the folder window stays where it was";
  EXPECT_EQ(windows[1].url, other);
  EXPECT_TRUE(staying->IsRunning());
}

}  // namespace
}  // namespace tessary::test
