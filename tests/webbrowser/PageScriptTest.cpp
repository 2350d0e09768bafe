// Pages running in the stand-in: their scripts in the real "Javascript"
// engine, reached through get_Script and the window, their timers, events,
// frames written by script, and what a test driver reads and clicks.
#include <exdispid.h>
#include <mshtmdid.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include "BrowserHost.h"
#include "CallRecorder.h"
#include "Bstr.h"
#include "ComIdentity.h"
#include "ErrorCapture.h"
#include "TestEnvironment.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {
namespace {

// Counts the window events a sink of HTMLWindowEvents2 receives.
class WindowEventSink : public ComObjectRoot, public IDispatch {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {QITABENT(WindowEventSink, IDispatch), {}};
    return interfaces;
  }
  std::vector<DISPID> received;

  IFACEMETHODIMP GetTypeInfoCount(UINT*) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  IFACEMETHODIMP GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return E_NOTIMPL; }
  IFACEMETHODIMP Invoke(DISPID id, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT*, EXCEPINFO*, UINT*) override {
    if (params && params->cArgs == 1 && params->rgvarg[0].vt == VT_DISPATCH) received.push_back(id);
    return S_OK;
  }
};

class PageScriptTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(host_.IsValid());
    folder_ = MakeTempFolder(L"pages");
  }
  ComPtr<IDispatch> Script() const {
    ComPtr<IDispatch> script;
    if (ComPtr<IHTMLDocument2> document = host_.Document()) document->get_Script(&script);
    return script;
  }
  HRESULT CallMain(IDispatch* argument) {
    Variant result;
    return CallByName(Script().Get(), L"main", {ArgDispatch(argument)}, result.Get());
  }

  BrowserHost host_;
  std::wstring folder_;
};

TEST_F(PageScriptTest, MainThroughGetScriptCallsBackItsObjectArgument) {
  ASSERT_TRUE(host_.Load(WriteTestPage(folder_, L"main.html",
                                       "<p id='t'>caf\xC3\xA9</p><script>\n"
                                       "var loaded = 'before main';\n"
                                       "function main(ext) { ext.report('got ' + document.getElementById('t').innerText); }\n"
                                       "</script>")));
  auto recorder = MakeComObject<CallRecorder>();
  ASSERT_EQ(CallMain(recorder.Get()), S_OK);
  EXPECT_EQ(recorder->Values(L"report"), std::vector<std::wstring>{L"got caf\u00e9"});
  EXPECT_EQ(GetStringByName(Script().Get(), L"loaded"), L"before main") << "page variables through the window";
  EXPECT_EQ(CallByName(Script().Get(), L"noSuchFunction", {}, nullptr), DISP_E_UNKNOWNNAME);
}

TEST_F(PageScriptTest, TimersAndLoadHandlersRunOnTheOwningThread) {
  ASSERT_TRUE(host_.Load(WriteTestPage(folder_, L"timer.html",
                                       "<body onload=\"state += ' and body'\"><script>var state = 'loading';\n"
                                       "window.onload = function () { state = 'loaded'; };\n"
                                       "function main(ext) { setTimeout(function () { ext.report('tick'); }, 30); }\n"
                                       "</script>")));
  EXPECT_EQ(GetStringByName(Script().Get(), L"state"), L"loaded and body");
  auto recorder = MakeComObject<CallRecorder>();
  ASSERT_EQ(CallMain(recorder.Get()), S_OK);
  EXPECT_TRUE(recorder->Calls().empty()) << "the timer runs later, from the message loop";
  ASSERT_TRUE(BrowserHost::PumpUntil([&] { return !recorder->Calls().empty(); }, 5000));
  EXPECT_EQ(recorder->Calls()[0].name, L"report");
  EXPECT_EQ(recorder->Calls()[0].thread, ::GetCurrentThreadId());
}

// Internet Explorer's "Active scripting" setting of the local machine zone,
// where the stand-in's pages are.
TEST_F(PageScriptTest, PagesRunNoScriptWhereTheUserDisabledScripting) {
  const std::wstring zone = L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings\\Zones\\0";
  const std::wstring page = WriteTestPage(folder_, L"scripted.html",
                                          "<body><script>document.body.setAttribute('ran', 'yes');</script></body>");
  struct Case {
    DWORD policy;  // 0 for no setting
    bool runs;
  } const cases[] = {{0, true}, {3, false}, {1, true}};
  for (const Case& c : cases) {
    if (c.policy) {
      ASSERT_EQ(::RegSetKeyValueW(HKEY_CURRENT_USER, zone.c_str(), L"1400", REG_DWORD, &c.policy, sizeof(DWORD)), 0);
    }
    const bool loaded = host_.Load(page);
    ::RegDeleteKeyValueW(HKEY_CURRENT_USER, zone.c_str(), L"1400");
    ASSERT_TRUE(loaded) << c.policy;
    EXPECT_EQ(BodyAttribute(host_, L"ran"), c.runs ? L"yes" : L"") << c.policy;
    ComPtr<IDispatch> script;
    EXPECT_EQ(host_.Document()->get_Script(&script), c.runs ? S_OK : E_FAIL) << c.policy;
  }
}

TEST_F(PageScriptTest, ScriptErrorsGoToStandardErrorWithFileAndLine) {
  ErrorCapture errors;
  WriteTestPage(folder_, L"broken.js", "var fine = 1;\nundefinedFunction();\n");
  ASSERT_TRUE(host_.Load(WriteTestPage(folder_, L"errors.html",
                                       "<p>x</p>\n<script>\nvar a = 1;\nnotDefinedHere();\n</script>\n"
                                       "<script src='broken.js'></script>")));
  const std::string text = errors.Text();
  EXPECT_NE(text.find("errors.html:4"), std::string::npos) << text;
  EXPECT_NE(text.find("broken.js:2"), std::string::npos) << text;
}

TEST_F(PageScriptTest, WindowEventsReachHTMLWindowEvents2Sinks) {
  WriteTestPage(folder_, L"next.html", "<p>next</p>");
  ASSERT_TRUE(host_.Load(WriteTestPage(folder_, L"first.html", "<p>first</p>")));
  ComPtr<IHTMLWindow2> window = host_.PageWindow();
  ComPtr<IConnectionPointContainer> container;
  ComPtr<IConnectionPoint> point;
  ASSERT_EQ(window.As(&container), S_OK);
  ASSERT_EQ(container->FindConnectionPoint(__uuidof(HTMLWindowEvents2), &point), S_OK);
  auto sink = MakeComObject<WindowEventSink>();
  DWORD cookie = 0;
  ASSERT_EQ(point->Advise(sink.Get(), &cookie), S_OK);
  ASSERT_TRUE(host_.Load(folder_ + L"next.html"));
  EXPECT_EQ(sink->received, std::vector<DISPID>{DISPID_HTMLWINDOWEVENTS2_ONUNLOAD});
  EXPECT_EQ(point->Unadvise(cookie), S_OK);
}

TEST_F(PageScriptTest, WritingIntoABlankFrameCompletesThatFrameAgain) {
  ASSERT_TRUE(host_.Load(WriteTestPage(folder_, L"dialog.html", "<iframe name='dialog' src='about:blank'></iframe>")));
  const BrowserEvent* blank = nullptr;
  for (const auto& event : host_.Events()) {
    if (event.id == DISPID_DOCUMENTCOMPLETE && !event.topLevel) blank = &event;
  }
  ASSERT_NE(blank, nullptr);
  EXPECT_EQ(blank->url, L"about:blank");
  ComPtr<IWebBrowser2> frame;
  ASSERT_EQ(blank->browser.As(&frame), S_OK);
  ComPtr<IDispatch> dispatch;
  ComPtr<IHTMLDocument2> document;
  ASSERT_EQ(frame->get_Document(&dispatch), S_OK);
  ASSERT_EQ(dispatch.As(&document), S_OK);

  host_.ClearEvents();
  Variant empty;
  ASSERT_EQ(document->open(nullptr, *empty, *empty, *empty, nullptr), S_OK);
  SAFEARRAY* text = ::SafeArrayCreateVector(VT_VARIANT, 0, 1);
  LONG index = 0;
  Bstr html(L"<p id='x'>written <b>here</b></p>");
  VARIANT item = ArgBstr(html.Get());
  ::SafeArrayPutElement(text, &index, &item);
  EXPECT_EQ(document->write(text), S_OK);
  ::SafeArrayDestroy(text);
  EXPECT_EQ(document->close(), S_OK);
  ASSERT_TRUE(BrowserHost::PumpUntil([&] { return !host_.Events().empty(); }, 5000));
  const BrowserEvent& complete = host_.Events()[0];
  EXPECT_EQ(complete.id, DISPID_DOCUMENTCOMPLETE);
  EXPECT_EQ(complete.url, L"about:blank");
  EXPECT_FALSE(complete.topLevel);
  ComPtr<IHTMLElement> written = ElementById(document.Get(), L"x");
  ASSERT_TRUE(written);
  BSTR inner = nullptr;
  written->get_innerText(&inner);
  EXPECT_STREQ(inner, L"written here");
  ::SysFreeString(inner);
}

TEST_F(PageScriptTest, AFrameAddedByScriptLoadsUnderItsName) {
  ASSERT_TRUE(host_.Load(WriteTestPage(folder_, L"adds.html",
                                       "<script>function main() { var f = document.createElement('iframe');\n"
                                       "document.body.appendChild(f); f.name = 'dialog'; }</script>")));
  host_.ClearEvents();
  ASSERT_EQ(CallByName(Script().Get(), L"main", {}, nullptr), S_OK);
  ASSERT_TRUE(BrowserHost::PumpUntil([&] { return !host_.Events().empty() && host_.Events().back().id == DISPID_DOCUMENTCOMPLETE; }));
  const BrowserEvent& complete = host_.Events().back();
  EXPECT_FALSE(complete.topLevel);
  EXPECT_EQ(complete.url, L"about:blank");
  ComPtr<IWebBrowser2> frame;
  ComPtr<IDispatch> dispatch;
  ComPtr<IHTMLDocument2> document;
  ComPtr<IHTMLWindow2> window;
  ASSERT_EQ(complete.browser.As(&frame), S_OK);
  ASSERT_EQ(frame->get_Document(&dispatch), S_OK);
  ASSERT_EQ(dispatch.As(&document), S_OK);
  ASSERT_EQ(document->get_parentWindow(&window), S_OK);
  BSTR name = nullptr;
  window->get_name(&name);
  EXPECT_STREQ(name, L"dialog");
  ::SysFreeString(name);
}

TEST_F(PageScriptTest, ADriverTypesClicksAndReadsThePage) {
  WriteTestPage(folder_, L"done.html", "<p>done</p>");
  ASSERT_TRUE(host_.Load(WriteTestPage(folder_, L"form.html",
                                       "<input id='name' value='old' onchange=\"clicks.push('change')\">\n"
                                       "<button id='b' onclick=\"clicks.push('attribute')\">go</button>\n"
                                       "<a id='link' href='done.html'>done</a><div id='out'></div>\n"
                                       "<script>var clicks = [];\n"
                                       "document.getElementById('b').addEventListener('click', function (e) {\n"
                                       "  clicks.push('listener:' + e.type);\n"
                                       "  document.getElementById('out').innerHTML = '<i>' + "
                                       "document.getElementById('name').value + '</i>';\n"
                                       "}, false);</script>")));
  ComPtr<IHTMLDocument2> document = host_.Document();
  ComPtr<IHTMLElement> input = ElementById(document.Get(), L"name");
  ComPtr<IHTMLElement> button = ElementById(document.Get(), L"b");
  ASSERT_TRUE(input && button);
  Bstr value(L"typed");
  Bstr valueName(L"value");
  ASSERT_EQ(input->setAttribute(valueName.Get(), ArgBstr(value.Get()), 0), S_OK);
  Bstr change(L"onchange");
  ASSERT_EQ(CallByName(input.Get(), L"fireEvent", {ArgBstr(change.Get())}, nullptr), S_OK);
  ASSERT_EQ(button->click(), S_OK);
  EXPECT_EQ(GetStringByName(Script().Get(), L"clicks"), L"change,listener:click,attribute");
  ComPtr<IHTMLElement> out = ElementById(document.Get(), L"out");
  BSTR html = nullptr;
  out->get_innerHTML(&html);
  EXPECT_STREQ(html, L"<i>typed</i>");
  ::SysFreeString(html);
  ComPtr<IHTMLElement> body;
  ASSERT_EQ(document->get_body(&body), S_OK);
  BSTR text = nullptr;
  body->get_innerText(&text);
  EXPECT_NE(std::wstring(text).find(L"done"), std::wstring::npos) << text;
  ::SysFreeString(text);

  host_.ClearEvents();
  ComPtr<IHTMLElement> link = ElementById(document.Get(), L"link");
  ASSERT_EQ(link->click(), S_OK);
  ASSERT_TRUE(BrowserHost::PumpUntil([this] { return host_.TopDocumentCompleted(); }));
  EXPECT_EQ(host_.Events().front().id, DISPID_BEFORENAVIGATE2);
  EXPECT_EQ(host_.Events().back().url, FileUrl(folder_ + L"done.html"));
}

TEST_F(PageScriptTest, ThePageAnswersTheBrowserAsAService) {
  ASSERT_TRUE(host_.Load(WriteTestPage(folder_, L"service.html", "<p>x</p>")));
  ComPtr<IServiceProvider> services;
  ASSERT_EQ(host_.Document().As(&services), S_OK);
  ComPtr<IWebBrowser2> browser;
  ASSERT_EQ(services->QueryService(SID_SWebBrowserApp, IID_PPV_ARGS(&browser)), S_OK);
  EXPECT_TRUE(SameObject(browser.Get(), host_.Browser()));
  SHANDLE_PTR window = 0;
  ASSERT_EQ(browser->get_HWND(&window), S_OK);
  EXPECT_EQ(reinterpret_cast<HWND>(window), host_.Window());
}

}  // namespace
}  // namespace tessary::test
