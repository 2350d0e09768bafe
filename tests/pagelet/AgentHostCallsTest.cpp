// The page agent around its calls to the host, with the host inside this test
// program: every call across processes lets other messages in while it
// waits, so the page may unload, the browser may let go of the agent or fire
// its events in the middle of one. Also what the agent asks of a host when
// its scripts fail to start, and for a page that is no longer shown.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>

#include "AgentTestBed.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

using Microsoft::WRL::ComPtr;

void Pump(DWORD milliseconds) { PumpMessagesUntil([] { return false; }, milliseconds); }

int Count(const std::vector<std::wstring>& lines, const std::wstring& prefix) {
  return static_cast<int>(
      std::count_if(lines.begin(), lines.end(), [&](const std::wstring& line) { return line.rfind(prefix, 0) == 0; }));
}

bool Has(const std::vector<std::wstring>& messages, const std::wstring& message) {
  return std::find(messages.begin(), messages.end(), message) != messages.end();
}

class AgentHostCallsTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_EQ(bed_.SetupError(), ""); }
  InProcessHost& Host() { return bed_.Host(); }
  // A new agent, and the page completing in front of it.
  ComPtr<IObjectWithSite> AgentOnPage() {
    ComPtr<IObjectWithSite> agent = bed_.NewAgent();
    EXPECT_TRUE(agent);
    ShowPage();
    return agent;
  }
  void ShowPage() {
    Pump(50);
    CompletePage();
  }
  void CompletePage() { bed_.DocumentComplete(bed_.TopBrowser(), FileUrl(bed_.PagePath())); }
  // The agent as a closing tab lets it go: nothing of it may be left.
  void Close(ComPtr<IObjectWithSite>& agent) {
    if (agent) agent->SetSite(nullptr);
    agent.Reset();
    Pump(50);
    EXPECT_EQ(Host().LiveObjects(), 0) << "a host link or a script context outlived the agent";
    EXPECT_EQ(Host().Imbalance(), "");
    EXPECT_EQ(bed_.CanUnloadNow(), S_OK);
  }

  // A content script that logs and throws, with the extension's config.xml
  // (none for null); what reached the host's log.
  std::vector<std::wstring> LinesOfALoggingScript(const char* config) {
    if (config) {
      EXPECT_TRUE(WriteFileBytes(bed_.Folder() + L"config.xml", config));
    }
    EXPECT_TRUE(WriteFileBytes(bed_.Folder() + L"content.js",
                               "function main(frame) {\r\n  if (frame) return;\r\n"
                               "  extension.log('hello from the page');\r\n  throw new Error('thrown');\r\n}\r\n"));
    Host().SetReady(true);
    ComPtr<IObjectWithSite> agent = AgentOnPage();
    EXPECT_TRUE(PumpMessagesUntil([&] { return Count(Host().LogLines(), L"Script error") > 0; }, 5000));
    Close(agent);
    return Host().LogLines();
  }

  AgentTestBed bed_;
};

// An extension in development (debug="true" in config.xml) hears its content
// scripts' log, and learns on which page an error happened; without the
// attribute the log does nothing and the error line is as it was.
TEST_F(AgentHostCallsTest, AnExtensionInDevelopmentHearsItsContentScripts) {
  const auto lines = LinesOfALoggingScript("<addon version=\"1\" updateUrl=\"u\" debug=\"true\"/>");
  EXPECT_EQ(Count(lines, L"hello from the page"), 1);
  EXPECT_EQ(Count(lines, L"Script error in content.js, line 4 on " + FileUrl(bed_.PagePath()) + L": thrown"), 1);
}

TEST_F(AgentHostCallsTest, WithoutDebugTheContentScriptsLogDoesNothing) {
  const auto lines = LinesOfALoggingScript(nullptr);
  EXPECT_EQ(Count(lines, L"hello from the page"), 0);
  EXPECT_EQ(Count(lines, L"Script error in content.js, line 4: thrown"), 1);
}

// Scripts that failed to start are not tried again for the same page (they
// were, every 500 ms, for as long as the page was shown); a new document is.
TEST_F(AgentHostCallsTest, ScriptsThatFailToStartAreTriedOncePerDocument) {
  Host().DuringCalls([](const std::string& call, IDispatch* channel) {
    if (call == "connect") SendOnChannel(channel, L"fail");
  });
  ComPtr<IObjectWithSite> agent = AgentOnPage();
  ASSERT_TRUE(PumpMessagesUntil([&] { return Host().Calls("getState") > 0; }, 5000));
  Host().SetReady(true);
  ASSERT_TRUE(PumpMessagesUntil([&] { return Host().Calls("disconnect") > 0; }, 5000));
  Pump(1600);
  EXPECT_EQ(Host().Calls("connect"), 1);
  EXPECT_EQ(Host().Calls("disconnect"), 1);

  Host().DuringCalls(nullptr);
  CompletePage();
  EXPECT_TRUE(PumpMessagesUntil([&] { return Host().Calls("connect") == 2; }, 5000));
  EXPECT_EQ(Host().ConnectedChannels(), 1u);
  Close(agent);
}

TEST_F(AgentHostCallsTest, AnUnreadableScriptIsReportedOnce) {
  ASSERT_TRUE(::DeleteFileW((bed_.Folder() + L"content.js").c_str()));
  Host().SetReady(true);
  ComPtr<IObjectWithSite> agent = AgentOnPage();
  ASSERT_TRUE(PumpMessagesUntil([&] { return Host().Calls("disconnect") > 0; }, 5000));
  // A frame completing and the page's load event ask again.
  bed_.DocumentComplete(bed_.Frames()[0].Get(), FileUrl(bed_.PagePath()));
  AgentTestBed::WindowLoad(bed_.TopWindow().Get());
  Pump(1100);
  EXPECT_EQ(Count(Host().LogLines(), L"Can't read content script"), 1);
  EXPECT_EQ(Host().Calls("disconnect"), 1);
  Close(agent);
}

// The host became ready only after the tab had moved on to a blank page: the
// blank page gets no scripts, least of all under the previous page's address.
TEST_F(AgentHostCallsTest, APageShownAfterThePollStartedGetsNoOtherPagesScripts) {
  ComPtr<IObjectWithSite> agent = AgentOnPage();
  ASSERT_TRUE(PumpMessagesUntil([&] { return Host().Calls("getState") > 0; }, 5000));
  ASSERT_TRUE(bed_.Tab().Load(L"about:blank"));
  Host().SetReady(true);
  Pump(1100);
  EXPECT_EQ(Host().Calls("connect"), 0);
  EXPECT_TRUE(Host().Messages().empty());
  Close(agent);
}

// The page completes while the agent waits for the host to start (seconds):
// its scripts start once the host is there.
TEST_F(AgentHostCallsTest, APageThatCompletesWhileTheHostStartsGetsItsScripts) {
  Host().SetReady(true);
  ComPtr<IObjectWithSite> agent = bed_.NewAgent();
  Host().DuringCalls([&](const std::string& call, IDispatch*) {
    if (call == "create") {
      CompletePage();
      Pump(20);
    }
  });
  EXPECT_TRUE(PumpMessagesUntil([&] { return Host().Calls("connect") == 1; }, 3000));
  Host().DuringCalls(nullptr);
  Close(agent);
}

// The top window unloads while a call into the context is on the stack: the
// context ends once that call has returned, and the call finishes first.
TEST_F(AgentHostCallsTest, AnUnloadDuringACallIntoTheContextWaitsForItsEnd) {
  struct Case {
    const char* name;
    const wchar_t* unloadAt;  // the message during whose dispatch the page unloads; null: the connect
    std::function<void()> trigger;
  };
  const Case cases[] = {
      {"while it starts", nullptr, [] {}},
      {"in main for a frame", L"frame", [&] { bed_.DocumentComplete(bed_.Frames()[0].Get(), FileUrl(bed_.PagePath())); }},
      {"in a message from the host", L"answer", [&] { Host().SendToChannels(L"hello"); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Host().Clear();
    Host().SetReady(true);
    bool unloaded = false;
    Host().DuringCalls([&](const std::string& call, IDispatch*) {
      const bool at = c.unloadAt ? call == "dispatchMsg" && Host().Messages().back() == c.unloadAt : call == "connect";
      if (!at || unloaded) return;
      unloaded = true;
      AgentTestBed::WindowUnload(bed_.TopWindow().Get());
      EXPECT_EQ(Host().Calls("disconnect"), 0) << "the context ended under the call";
    });
    ComPtr<IObjectWithSite> agent = AgentOnPage();
    ASSERT_TRUE(PumpMessagesUntil([&] { return Host().Calls("connect") == 1; }, 5000));
    c.trigger();
    EXPECT_TRUE(PumpMessagesUntil([&] { return unloaded && Host().Calls("disconnect") == 1; }, 5000));
    EXPECT_TRUE(Has(Host().Messages(), L"started"));
    EXPECT_EQ(Host().ConnectedChannels(), 0u);
    Host().DuringCalls(nullptr);
    Close(agent);
  }
}

// The browser lets go of the agent while its window's handler waits for the
// host (seconds while the host starts): the handler finishes on an agent that
// still exists, and the agent then ends without leaving anything behind.
TEST_F(AgentHostCallsTest, TheBrowserMayLetGoOfTheAgentDuringAnyCallToTheHost) {
  for (const char* during : {"create", "getState", "connect", "dispatchMsg"}) {
    SCOPED_TRACE(during);
    Host().Clear();
    Host().SetReady(std::string(during) != "getState");
    ComPtr<IObjectWithSite> agent = bed_.NewAgent();
    bool released = false;
    Host().DuringCalls([&](const std::string& call, IDispatch*) {
      if (call != during || released) return;
      released = true;
      if (std::string(during) == "getState") Host().SetReady(true);
      agent->SetSite(nullptr);
      agent.Reset();
    });
    ShowPage();
    EXPECT_TRUE(PumpMessagesUntil([&] { return released; }, 5000));
    Pump(100);
    Host().DuringCalls(nullptr);
    Close(agent);
  }
}

// The agent's end tells the host that its page is gone; the browser's events
// and the page's that arrive meanwhile must not reach the ending agent.
TEST_F(AgentHostCallsTest, EventsDuringTheAgentsEndDoNotReachIt) {
  Host().SetReady(true);
  ComPtr<IObjectWithSite> agent = AgentOnPage();
  ASSERT_TRUE(PumpMessagesUntil([&] { return Host().ConnectedChannels() == 1; }, 5000));
  Host().DuringCalls([&](const std::string& call, IDispatch*) {
    if (call != "disconnect") return;
    CompletePage();
    bed_.DownloadBegin();
    AgentTestBed::WindowUnload(bed_.TopWindow().Get());
    Pump(20);
  });
  agent.Reset();  // the last reference, with the site still set: the tab's end
  Pump(50);
  EXPECT_EQ(Host().Calls("disconnect"), 1);
  Host().DuringCalls(nullptr);
  Close(agent);
}

}  // namespace
}  // namespace tessary::test
