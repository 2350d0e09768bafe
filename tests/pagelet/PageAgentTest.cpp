// The page agent in a tab of this test program: the WebBrowser stand-in in a
// test container, the agent loaded from its DLL and sited on the browser, and
// the real host program (started by COM) behind it.
#include <gtest/gtest.h>
#include <ocidl.h>

#include <wrl/client.h>

#include "BrowserHost.h"
#include "HostRegistration.h"
#include "RegisteredHostEnvironment.h"
#include "LoadedAgent.h"
#include "TestEnvironment.h"
#include "UniqueHandle.h"
#include "Variant.h"

namespace tessary::test {
namespace {

using Microsoft::WRL::ComPtr;

const auto* const kRegisteredHost = ::testing::AddGlobalTestEnvironment(new RegisteredHostEnvironment);

std::wstring ElementText(BrowserHost& tab, const wchar_t* id) {
  ComPtr<IHTMLElement> element = ElementById(tab.Document().Get(), id);
  return element ? GetStringByName(element.Get(), L"innerText") : L"<no element>";
}

bool WaitForBodyAttribute(BrowserHost& tab, const wchar_t* name, DWORD timeoutMs = 15000) {
  return BrowserHost::PumpUntil([&] { return !BodyAttribute(tab, name).empty(); }, timeoutMs);
}

class PageAgentTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(tab_.IsValid());
    pages_ = MakeTempFolder(L"pages");
  }
  void TearDown() override {
    agent_.Release();
    WaitForNoHost(15000);
  }
  // Sites the agent on the tab and loads a page into it.
  void Open(const std::wstring& path) {
    ASSERT_TRUE(agent_.SiteOn(tab_.Browser()));
    ASSERT_TRUE(tab_.Load(path));
  }
  std::wstring Page(const std::wstring& name, const std::string& html) { return WriteTestPage(pages_, name, html); }
  std::vector<std::string> LogLines() { return ReadLines(LogFilePath()); }
  bool Logged(const std::string& text) {
    for (const auto& line : LogLines()) {
      if (line.find(text) != std::string::npos) return true;
    }
    return false;
  }

  BrowserHost tab_;
  LoadedAgent agent_{ExtensionDirectory()};
  std::wstring pages_;
};

TEST_F(PageAgentTest, AnOrdinaryPageGetsItsContentScriptsOnceTheHostIsReady) {
  Open(Page(L"plain.html", "<html><body><p>plain</p></body></html>"));
  ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-scripts"));
  EXPECT_EQ(BodyAttribute(tab_, L"data-scripts"), L"mustache.js;content.js;");
  EXPECT_TRUE(Logged("connect() called"));
}

TEST_F(PageAgentTest, AMessageGoesToTheBackgroundPageAndItsAnswerComesBack) {
  const std::string stored = u8"stored by a tab: \u00e9\u4e2d \U0001F600";
  Open(Page(L"ask.html", "<html><body><div id='request' data-message='set|fromtab|" + stored +
                             "\nget|fromtab'></div><div id='answer'></div></body></html>"));
  ASSERT_TRUE(BrowserHost::PumpUntil([&] { return BodyAttribute(tab_, L"data-answers") == L"2"; }, 15000));
  EXPECT_EQ(ElementText(tab_, L"answer"), L"string:stored by a tab: \u00e9\u4e2d \U0001F600");
}

TEST_F(PageAgentTest, ExtensionPagesGetTheirOwnScriptSets) {
  Open(ExtensionDirectory() + L"import.html");
  ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-main"));
  EXPECT_EQ(BodyAttribute(tab_, L"data-scripts"), L"mustache.js;config.js;importTab.js;tab.js;");
  EXPECT_EQ(BodyAttribute(tab_, L"data-main"), L"extension page");

  for (const std::wstring& page : {ExtensionDirectory() + L"help.html", FileUrl(ExtensionDirectory() + L"welcome.html")}) {
    SCOPED_TRACE(Narrow(page));
    ASSERT_TRUE(tab_.Load(page));
    ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-main"));
    EXPECT_EQ(BodyAttribute(tab_, L"data-scripts"), L"mustache.js;tab.js;");
  }
  // The same names elsewhere are ordinary pages.
  ASSERT_TRUE(tab_.Load(Page(L"import.html", "<html><body>not the extension's</body></html>")));
  ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-scripts"));
  EXPECT_EQ(BodyAttribute(tab_, L"data-scripts"), L"mustache.js;content.js;");
}

TEST_F(PageAgentTest, FramesGetMainWhetherTheyCompleteBeforeOrAfterTheScriptsStart) {
  const std::wstring frame = Page(L"frame.html", "<html><body>frame</body></html>");
  Open(Page(L"frames.html", "<html><body><iframe name='a' src='frame.html'></iframe><iframe name='b' "
                            "src='frame.html'></iframe><script>function addFrame() { var f = "
                            "document.createElement('iframe'); f.src = 'frame.html'; "
                            "document.body.appendChild(f); }</script></body></html>"));
  ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-frames"));
  EXPECT_EQ(BodyAttribute(tab_, L"data-frames"), L"2");
  // A frame that completes while the scripts run gets main() when it completes.
  Variant ignored;
  ASSERT_EQ(CallByName(tab_.PageWindow().Get(), L"addFrame", {}, ignored.Get()), S_OK);
  EXPECT_TRUE(BrowserHost::PumpUntil([&] { return BodyAttribute(tab_, L"data-frames") == L"3"; }));
}

TEST_F(PageAgentTest, OnlyTwentyFramesAreWatchedBeforeTheScriptsStart) {
  Page(L"frame.html", "<html><body>frame</body></html>");
  std::string frames;
  for (int i = 0; i < 23; ++i) frames += "<iframe src='frame.html'></iframe>";
  Open(Page(L"many.html", "<html><body>" + frames + "</body></html>"));
  ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-frames"));
  BrowserHost::PumpUntil([] { return false; }, 300);
  EXPECT_EQ(BodyAttribute(tab_, L"data-frames"), L"20");
}

TEST_F(PageAgentTest, TheDialogFacilityFillsTheNamedBlankFrameOnce) {
  Open(Page(L"dialog.html",
            "<html><body><div id='dialog' data-name='dlg' data-decoy='other' data-second='dlg2'></div></body></html>"));
  ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-dialog"));
  // The decoy frame did not take the dialog, and the second request was ignored.
  EXPECT_EQ(BodyAttribute(tab_, L"data-dialog"), L"Dialog dlg");
}

TEST_F(PageAgentTest, ReleasingTheAgentDisconnectsItsPage) {
  Open(Page(L"plain.html", "<html><body>plain</body></html>"));
  ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-scripts"));
  agent_.Release();
  const std::string tabId = std::to_string(::GetCurrentProcessId());
  EXPECT_TRUE(Logged("BG Script: onDisconnect " + tabId + " same channel"));
}

TEST_F(PageAgentTest, TheHostCannotReachAPageThatIsGone) {
  Open(Page(L"keep.html", "<html><body><div id='request' data-message='keep'></div><div id='answer'></div></body></html>"));
  ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-answers"));
  EXPECT_EQ(ElementText(tab_, L"answer"), L"kept");
  // The page that kept the channel is gone; the host's late call is refused.
  ASSERT_TRUE(tab_.Load(Page(L"late.html",
                             "<html><body><div id='request' data-message='sendkept'></div><div id='answer'></div></body></html>")));
  ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-answers"));
  EXPECT_EQ(ElementText(tab_, L"answer"), L"kept channel refused");
  EXPECT_EQ(BodyAttribute(tab_, L"data-answers"), L"1");
}

TEST_F(PageAgentTest, AKilledHostLeavesTheTabWorking) {
  Open(Page(L"ask.html", "<html><body><div id='request' data-message='echo|one'></div><div id='answer'></div></body></html>"));
  ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-answers"));
  KillHost();
  ASSERT_TRUE(tab_.Load(Page(L"after.html", "<html><body><div id='request' data-message='echo|two'></div>"
                                            "<div id='answer'>none</div></body></html>")));
  ASSERT_TRUE(WaitForBodyAttribute(tab_, L"data-scripts"));
  EXPECT_EQ(ElementText(tab_, L"answer"), L"none");
  ASSERT_TRUE(tab_.Load(Page(L"third.html", "<html><body>still browsing</body></html>")));
}

// Content scripts of a temporary copy of the extension, next to its own agent.
class ScriptFilesTest : public ::testing::Test {
 protected:
  void SetUp() override { pages_ = MakeTempFolder(L"pages"); }
  void TearDown() override { WaitForNoHost(15000); }
  // Loads a plain page into a tab whose agent comes from the extension's folder
  // and waits until the host's log has the line; the scripts noted on the page.
  std::wstring ScriptsRunUntilLogged(const TemporaryExtension& extension, const std::string& line) {
    BrowserHost tab;
    LoadedAgent agent(extension.Folder());
    if (!tab.IsValid() || !agent.SiteOn(tab.Browser())) return L"<no tab>";
    if (!tab.Load(WriteTestPage(pages_, L"page.html", "<html><body>page</body></html>"))) return L"<not loaded>";
    if (!BrowserHost::PumpUntil([&] { return HasLine(LogFilePath(), line); }, 15000)) return L"<not logged>";
    return BodyAttribute(tab, L"data-scripts");
  }
  std::wstring pages_;
};

TEST_F(ScriptFilesTest, AByteOrderMarkChangesNothing) {
  TemporaryExtension extension(L"bom");
  ASSERT_TRUE(extension.Write(L"content.js", "\xEF\xBB\xBF" + ReadFileBytes(ExtensionDirectory() + L"content.js")));
  BrowserHost tab;
  LoadedAgent agent(extension.Folder());
  ASSERT_TRUE(agent.SiteOn(tab.Browser()));
  ASSERT_TRUE(tab.Load(WriteTestPage(pages_, L"page.html", "<html><body>page</body></html>")));
  ASSERT_TRUE(WaitForBodyAttribute(tab, L"data-scripts"));
  EXPECT_EQ(BodyAttribute(tab, L"data-scripts"), L"mustache.js;content.js;");
}

// A content script that fails says where in the host's log; the scripts
// before it have run, and the page keeps its connection.
TEST_F(ScriptFilesTest, AScriptErrorIsLoggedWithItsFileAndLine) {
  TemporaryExtension extension(L"failing");
  // main is declared, so hoisted, even though the code before it fails.
  ASSERT_TRUE(extension.Write(L"content.js", "noteScript('content.js');\r\nnoSuchFunction();\r\n"
                                             "function main() { extension.connect(); }\r\n"));
  const std::string prefix = "BHO" + std::to_string(::GetCurrentProcessId()) + ": Script error in content.js, line 2: ";
  const auto logged = [&] { return CountLinesStartingWith(LogFilePath(), prefix) > 0; };
  BrowserHost tab;
  LoadedAgent agent(extension.Folder());
  ASSERT_TRUE(agent.SiteOn(tab.Browser()));
  ASSERT_TRUE(tab.Load(WriteTestPage(pages_, L"page.html", "<html><body>page</body></html>")));
  EXPECT_TRUE(BrowserHost::PumpUntil(logged, 15000)) << prefix << "\n" << ReadFileBytes(LogFilePath());
  EXPECT_EQ(BodyAttribute(tab, L"data-scripts"), L"mustache.js;content.js;");
  EXPECT_TRUE(BrowserHost::PumpUntil([] { return HasLine(LogFilePath(), "connect() called"); }, 15000));
}

// The engine runs nothing before it is started: with a script missing, not even
// the scripts read before it have run.
TEST_F(ScriptFilesTest, AMissingOrInvalidScriptPreventsTheStartAndDisconnects) {
  const std::string tab = "BHO" + std::to_string(::GetCurrentProcessId()) + ": ";
  {
    TemporaryExtension extension(L"missing");
    ASSERT_TRUE(extension.Remove(L"content.js"));
    const std::string complaint = tab + "Can't read content script " + Narrow(extension.Folder()) + "content.js";
    EXPECT_EQ(ScriptsRunUntilLogged(extension, complaint), L"");
    EXPECT_TRUE(HasLine(LogFilePath(), "disconnect() called"));
    EXPECT_FALSE(HasLine(LogFilePath(), "connect() called"));
  }
  ASSERT_TRUE(WaitForNoHost(15000));
  {
    TemporaryExtension extension(L"invalid");
    ASSERT_TRUE(extension.Write(L"content.js", "noteScript('content.js'); // \xC3\x28 is not UTF-8"));
    const std::string complaint = tab + "Content script is not valid UTF-8: " + Narrow(extension.Folder()) + "content.js";
    EXPECT_EQ(ScriptsRunUntilLogged(extension, complaint), L"");
    EXPECT_TRUE(HasLine(LogFilePath(), "disconnect() called"));
  }
}

}  // namespace
}  // namespace tessary::test
