// A second script engine over a page's window, as the page agent runs content
// scripts: the window's members and the page's globals are its globals, its
// timers run through the window, and C++ adds its listeners to elements.
#include <gtest/gtest.h>

#include "Bstr.h"
#include "BrowserHost.h"
#include "ScriptEngine.h"
#include "TestEnvironment.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {
namespace {

TEST(ContentScriptTest, AnotherEngineWorksOnThePageThroughItsWindow) {
  BrowserHost host;
  ASSERT_TRUE(host.IsValid());
  ASSERT_TRUE(host.Load(WriteTestPage(MakeTempFolder(L"content"), L"page.html",
                                      "<p id='x'>text</p><button id='b'>b</button>"
                                      "<script>function fromPage() { return 'page'; }</script>")));
  ComPtr<IHTMLWindow2> window = host.PageWindow();
  ScriptEngine engine;
  ASSERT_TRUE(engine.IsValid());
  ASSERT_EQ(engine.AddObject(L"window", window.Get(), true), S_OK);
  EXPECT_EQ(engine.EvalString(L"document.getElementById('x').innerText"), L"text");
  EXPECT_EQ(engine.EvalString(L"fromPage() + ' ' + location.href.indexOf('file:///')"), L"page 0");

  ASSERT_EQ(engine.Run(L"var fired = 'no'; function later() { fired = 'yes'; }"), S_OK);
  Variant later;
  ASSERT_EQ(engine.Eval(L"later", later.Get()), S_OK);
  Variant timerId;
  ASSERT_EQ(CallByName(window.Get(), L"setTimeout", {ArgDispatch(later->pdispVal), ArgI4(20)}, timerId.Get()), S_OK);
  EXPECT_TRUE(BrowserHost::PumpUntil([&] { return engine.EvalString(L"fired") == L"yes"; }, 5000));

  Variant handler;
  ASSERT_EQ(engine.Eval(L"(function (e) { clicked = e.type; })", handler.Get()), S_OK);
  Variant button;
  Bstr id(L"b");
  ASSERT_EQ(CallByName(host.Document().Get(), L"getElementById", {ArgBstr(id.Get())}, button.Get()), S_OK);
  ComPtr<IHTMLElement> element;
  ComPtr<IEventTarget> target;
  ASSERT_EQ(button->pdispVal->QueryInterface(IID_PPV_ARGS(&element)), S_OK);
  ASSERT_EQ(element.As(&target), S_OK);
  Bstr click(L"click");
  ASSERT_EQ(target->addEventListener(click.Get(), handler->pdispVal, VARIANT_FALSE), S_OK);
  ASSERT_EQ(element->click(), S_OK);
  EXPECT_EQ(engine.EvalString(L"clicked"), L"click");
}

}  // namespace
}  // namespace tessary::test
