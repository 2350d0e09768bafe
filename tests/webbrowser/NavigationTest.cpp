// Navigation of the stand-in as a container sees it: OleCreate, in-place
// activation, and DWebBrowserEvents2 in Internet Explorer's order and form.
#include <exdispid.h>

#include <gtest/gtest.h>

#include "Bstr.h"
#include "BrowserHost.h"
#include "ComIdentity.h"
#include "ErrorCapture.h"
#include "TestEnvironment.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {
namespace {

class WebBrowserNavigationTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host_.IsValid()) << "the stand-in could not be embedded";
    folder_ = MakeTempFolder(L"navigation");
  }

  std::vector<DISPID> EventIds() const {
    std::vector<DISPID> ids;
    for (const auto& event : host_.Events()) ids.push_back(event.id);
    return ids;
  }
  std::wstring LocationUrl() const {
    BSTR url = nullptr;
    host_.Browser()->get_LocationURL(&url);
    std::wstring result = url ? url : L"";
    ::SysFreeString(url);
    return result;
  }
  READYSTATE ReadyState() const {
    READYSTATE state = READYSTATE_UNINITIALIZED;
    host_.Browser()->get_ReadyState(&state);
    return state;
  }

  BrowserHost host_;
  std::wstring folder_;
};

TEST_F(WebBrowserNavigationTest, FiresTheEventsOfAPageInInternetExplorersOrderAndForm) {
  const std::wstring page = WriteTestPage(folder_, L"page.html", "<html><body><p>hello</p></body></html>");
  ASSERT_TRUE(host_.Load(page));
  EXPECT_EQ(EventIds(), (std::vector<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_DOWNLOADBEGIN, DISPID_NAVIGATECOMPLETE2,
                                             DISPID_DOWNLOADCOMPLETE, DISPID_DOCUMENTCOMPLETE}));
  const auto& events = host_.Events();
  const BrowserEvent& before = events[0];
  EXPECT_EQ(before.argumentCount, 7u);
  EXPECT_EQ(before.urlType, VT_VARIANT | VT_BYREF);
  EXPECT_EQ(before.urlValueType, VT_BSTR);
  EXPECT_EQ(before.cancelType, VT_BOOL | VT_BYREF);
  for (const auto& event : {events[0], events[2], events[4]}) {
    EXPECT_EQ(event.url, page) << "a navigation by path is reported by path";
    EXPECT_TRUE(event.topLevel);
    EXPECT_TRUE(SameObject(event.browser.Get(), host_.Browser()));
  }
  EXPECT_EQ(events[4].urlType, VT_VARIANT | VT_BYREF);
  EXPECT_EQ(LocationUrl(), page);
  EXPECT_EQ(ReadyState(), READYSTATE_COMPLETE);
}

TEST_F(WebBrowserNavigationTest, NavigateReturnsBeforeTheDocumentCompletes) {
  const std::wstring slashed = FileUrl(WriteTestPage(folder_, L"page.html", "<p>x</p>"));
  host_.ClearEvents();
  BSTR address = ::SysAllocString(slashed.c_str());
  ASSERT_EQ(host_.Browser()->Navigate(address, nullptr, nullptr, nullptr, nullptr), S_OK);
  ::SysFreeString(address);
  EXPECT_EQ(EventIds(), std::vector<DISPID>{DISPID_BEFORENAVIGATE2}) << "the rest comes from the message loop";
  EXPECT_EQ(ReadyState(), READYSTATE_LOADING);
  ASSERT_TRUE(BrowserHost::PumpUntil([this] { return host_.TopDocumentCompleted(); }));
  EXPECT_EQ(ReadyState(), READYSTATE_COMPLETE);
  EXPECT_EQ(host_.Events().back().url, slashed) << "a file URL stays a URL";
}

TEST_F(WebBrowserNavigationTest, CancelInBeforeNavigate2KeepsTheCurrentPage) {
  const std::wstring first = WriteTestPage(folder_, L"first.html", "<a id='go' href='second.html'>next</a>");
  WriteTestPage(folder_, L"second.html", "<p>second</p>");
  ASSERT_TRUE(host_.Load(first));
  host_.CancelNavigationsTo(L"second.html");
  host_.ClearEvents();
  BSTR address = ::SysAllocString((folder_ + L"second.html").c_str());
  host_.Browser()->Navigate(address, nullptr, nullptr, nullptr, nullptr);
  ::SysFreeString(address);
  ComPtr<IHTMLElement> link;
  ComPtr<IHTMLDocument2> document = host_.Document();
  Variant found;
  Bstr id(L"go");
  ASSERT_EQ(CallByName(document.Get(), L"getElementById", {ArgBstr(id.Get())}, found.Get()), S_OK);
  ASSERT_EQ(found->vt, VT_DISPATCH);
  ASSERT_EQ(found->pdispVal->QueryInterface(IID_PPV_ARGS(&link)), S_OK);
  link->click();
  BrowserHost::PumpUntil([] { return false; }, 300);
  ASSERT_EQ(EventIds(), (std::vector<DISPID>{DISPID_BEFORENAVIGATE2, DISPID_BEFORENAVIGATE2}));
  EXPECT_EQ(host_.Events()[1].url, FileUrl(folder_ + L"second.html")) << "a link is resolved against the page's URL";
  EXPECT_EQ(LocationUrl(), first);
  EXPECT_EQ(ReadyState(), READYSTATE_COMPLETE);
}

TEST_F(WebBrowserNavigationTest, FramesCompleteBeforeTheTopDocument) {
  WriteTestPage(folder_, L"frame.html", "<p id='inner'>frame</p>");
  const std::wstring page = WriteTestPage(folder_, L"top.html", "<p>top</p><iframe name='side' src='frame.html'></iframe>");
  ASSERT_TRUE(host_.Load(page));
  std::vector<const BrowserEvent*> completes;
  for (const auto& event : host_.Events()) {
    if (event.id == DISPID_DOCUMENTCOMPLETE) completes.push_back(&event);
  }
  ASSERT_EQ(completes.size(), 2u);
  EXPECT_FALSE(completes[0]->topLevel);
  EXPECT_NE(completes[0]->url.find(L"frame.html"), std::wstring::npos);
  EXPECT_TRUE(completes[1]->topLevel);
  EXPECT_EQ(completes[1]->url, page);
  EXPECT_FALSE(SameObject(completes[0]->browser.Get(), host_.Browser())) << "a frame has a browser of its own";

  ComPtr<IWebBrowser2> frame;
  ASSERT_EQ(completes[0]->browser.As(&frame), S_OK);
  ComPtr<IDispatch> dispatch;
  ComPtr<IHTMLDocument2> frameDocument;
  ASSERT_EQ(frame->get_Document(&dispatch), S_OK);
  ASSERT_EQ(dispatch.As(&frameDocument), S_OK);
  ComPtr<IHTMLWindow2> frameWindow;
  ASSERT_EQ(frameDocument->get_parentWindow(&frameWindow), S_OK);
  BSTR name = nullptr;
  frameWindow->get_name(&name);
  EXPECT_STREQ(name, L"side");
  ::SysFreeString(name);
}

TEST_F(WebBrowserNavigationTest, MissingAndInvalidPagesAreReportedAndStillComplete) {
  ErrorCapture errors;
  ASSERT_TRUE(host_.Load(WriteTestPage(folder_, L"latin1.html", "<p>caf\xE9</p>")));
  EXPECT_NE(errors.Text().find("latin1.html is not valid UTF-8"), std::string::npos) << errors.Text();
  ASSERT_TRUE(host_.Load(folder_ + L"missing.html"));
  EXPECT_NE(errors.Text().find("missing.html"), std::string::npos) << errors.Text();
  // A page that is not there: the browser's own error page, elsewhere.
  BSTR shown = nullptr;
  ASSERT_EQ(host_.Browser()->get_LocationURL(&shown), S_OK);
  EXPECT_EQ(std::wstring(shown ? shown : L""), L"res://ieframe.dll/dnserrordiagoff.htm#" + folder_ + L"missing.html");
  ::SysFreeString(shown);
  ComPtr<IHTMLDocument2> document = host_.Document();
  ASSERT_TRUE(document);
  ComPtr<IHTMLElement> body;
  EXPECT_EQ(document->get_body(&body), S_OK);
  EXPECT_TRUE(body) << "an empty page";
}

TEST_F(WebBrowserNavigationTest, ANewTabGoesWhereTheContainerAnswersNewWindow3) {
  const std::wstring page = WriteTestPage(folder_, L"tab.html", "<p>tab</p>");
  Variant url;
  url.Get()->vt = VT_BSTR;
  url.Get()->bstrVal = ::SysAllocString(page.c_str());
  VARIANT newTab = ArgI4(navOpenInNewTab);
  host_.ClearEvents();
  ASSERT_EQ(host_.Browser()->Navigate2(url.Get(), &newTab, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(EventIds(), std::vector<DISPID>{DISPID_NEWWINDOW3}) << "nobody answered: no new tab, no navigation here";
  EXPECT_EQ(host_.Events()[0].url, page);

  BrowserHost tab;
  ASSERT_TRUE(tab.IsValid());
  host_.AnswerNewWindowsWith(tab.Browser());
  ASSERT_EQ(host_.Browser()->Navigate2(url.Get(), &newTab, nullptr, nullptr, nullptr), S_OK);
  ASSERT_TRUE(BrowserHost::PumpUntil([&] { return tab.TopDocumentCompleted(); }));
  EXPECT_EQ(tab.Events().back().url, page);
  EXPECT_EQ(ReadyState(), READYSTATE_UNINITIALIZED) << "the first browser stays where it was";
}

}  // namespace
}  // namespace tessary::test
