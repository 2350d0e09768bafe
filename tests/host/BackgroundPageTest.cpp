// The background page in a real host process, started by COM for this test
// program, which plays the page agent: it polls, connects with a tab channel of
// its own, sends messages and reads the answers the page sends back.
#include <gtest/gtest.h>
#include <leveldb/db.h>

#include <string>

#include <wrl/client.h>

#include "BackgroundClient.h"
#include "Bstr.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "Picture.h"
#include "Registry.h"
#include "RecordingChannel.h"
#include "Tessary.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "Text.h"

namespace tessary::test {
namespace {

using Microsoft::WRL::ComPtr;

int CountLines(const std::string& line) { return test::CountLines(LogFilePath(), line); }

class BackgroundPageTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(WaitForNoHost(15000)) << "a host from an earlier test is still running"; }
  void TearDown() override { WaitForNoHost(15000); }
};

TEST_F(BackgroundPageTest, StartsOnceAndRunsMainWithTheExtensionObject) {
  HRESULT hr = E_FAIL;
  ComPtr<IBGC> first = CreateBgc(&hr);
  ASSERT_EQ(hr, S_OK);
  ComPtr<IBG> second;
  ASSERT_EQ(::CoCreateInstance(CLSID_CBG, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&second)), S_OK);
  ComPtr<IBGC> third = CreateBgc(&hr);
  ASSERT_EQ(hr, S_OK);
  ASSERT_TRUE(WaitUntilReady(first.Get()));
  EXPECT_EQ(BackgroundState(third.Get()), 1);
  EXPECT_EQ(CountLines("It's the first instance, initing background..."), 1);
  EXPECT_GE(CountLines("BG: documentcomplete fired"), 1);
  EXPECT_GE(CountLines("BG: non-null url, starting initialization..."), 1);
  EXPECT_EQ(CountLines("BG Script: main called"), 1);
}

TEST_F(BackgroundPageTest, ConnectMessagesAndDisconnectReachTheHandlers) {
  BackgroundClient tab(5);
  ASSERT_TRUE(tab.Connect());
  EXPECT_EQ(CountLines("connect() called"), 1);
  EXPECT_EQ(CountLines("BG Script: onConnect 5 http://127.0.0.1/page.html"), 1);

  // The handler has run, and answered through the channel, before the call returns.
  EXPECT_EQ(tab.Ask(L"echo|hello"), L"hello");
  EXPECT_EQ(tab.Ask(L"echo|"), L"");
  const std::wstring unicode = L"\u4E2D\u6587 \u00E9 \U0001F600 \"quoted\" |bar| \\ <b>";
  EXPECT_EQ(tab.Ask(L"echo|" + unicode), unicode);
  EXPECT_EQ(tab.Ask(L"nonsense"), L"unknown nonsense");

  EXPECT_EQ(tab.Disconnect(), S_OK);
  EXPECT_EQ(CountLines("disconnect() called"), 1);
  EXPECT_EQ(CountLines("BG Script: onDisconnect 5 same channel"), 1);
}

TEST_F(BackgroundPageTest, ASecondSetOnMessageReplacesTheFirst) {
  BackgroundClient tab(6);
  ASSERT_TRUE(tab.Connect());
  EXPECT_EQ(tab.Ask(L"replace"), L"replaced");
  EXPECT_EQ(tab.Ask(L"echo|x"), L"second handler: echo|x");
}

TEST_F(BackgroundPageTest, APageWithoutMainNeverBecomesReady) {
  TemporaryExtension extension(L"nomain");
  ASSERT_TRUE(extension.Write(L"background.html", "<html><body><script>var loaded = 1;</script></body></html>"));
  ASSERT_EQ(extension.Register(), 0u);
  HRESULT hr = E_FAIL;
  ComPtr<IBGC> bgc = CreateBgc(&hr);
  ASSERT_EQ(hr, S_OK);
  ::Sleep(3000);
  EXPECT_EQ(BackgroundState(bgc.Get()), 0);
  RecordingChannel channel;
  EXPECT_EQ(bgc->connect(1, channel.Dispatch(), Bstr(L"u").Get()), E_PENDING);
  EXPECT_EQ(bgc->dispatchMsg(Bstr(L"echo|x").Get(), 1), E_PENDING);
  EXPECT_EQ(bgc->disconnect(1, channel.Dispatch()), E_PENDING);
  EXPECT_TRUE(channel.Received().empty());
  EXPECT_GE(CountLines("BG: documentcomplete fired"), 1);
}

// Errors of the background page's scripts reach the log, one line each with
// the file and line, and the page goes on: a syntax error in an included file
// and an error thrown while the page loads, and errors in the page's functions
// that the host program calls (the message handler, a storage callback) or a
// timer does.
TEST_F(BackgroundPageTest, ScriptErrorsAreLoggedAndThePageGoesOn) {
  TemporaryExtension extension(L"errors");
  std::string page = ReadFileBytes(extension.Folder() + L"background.html");
  const size_t head = page.find("</head>");
  ASSERT_NE(head, std::string::npos);
  page.insert(head, "<script src=\"broken.js\"></script>\n<script>\nthrow new Error(\"thrown while loading\");\n</script>\n");
  ASSERT_TRUE(extension.Write(L"background.html", page));
  ASSERT_TRUE(extension.Write(L"broken.js", "var fine = 1;\nvar broken = ;\n"));
  ASSERT_EQ(extension.Register(), 0u);

  BackgroundClient tab(1);
  ASSERT_TRUE(tab.Connect());
  EXPECT_EQ(tab.Ask(L"raise|thrown in the handler"), L"throwing");
  EXPECT_EQ(tab.Ask(L"raiseincallback|thrown in a callback"), L"called back");
  EXPECT_EQ(tab.Ask(L"raiseintimer|thrown in a timer"), L"timer set");
  EXPECT_EQ(tab.Ask(L"maincalls"), L"main calls 1");
  const auto inPage = [&page](const std::string& code, const std::string& message) {
    return "[ERROR]: BG Script error in background.html, line " + std::to_string(LineOf(page, code)) + ": " + message;
  };
  const std::string expected[] = {
      "[ERROR]: BG Script error in broken.js, line 2: Syntax error",
      inPage("throw new Error(\"thrown while loading", "thrown while loading"),
      inPage("throw new Error(after(\"raise|", "thrown in the handler"),
      inPage("throw new Error(after(\"raiseincallback|", "thrown in a callback"),
      inPage("throw new Error(after(\"raiseintimer|", "thrown in a timer"),
  };
  for (const std::string& line : expected) {
    EXPECT_TRUE(WaitUntil([&] { return test::CountLines(LogFilePath(), line) == 1; }, 5000)) << line;
  }
  EXPECT_EQ(CountLinesStartingWith(LogFilePath(), "[ERROR]: BG Script error"), 5) << "each error once";
  tab.Disconnect();
}

// An extension in development (debug="true") sees every message between its
// pages and its background page, with the tab and the length; others do not.
TEST_F(BackgroundPageTest, InDevelopmentEveryMessageIsLoggedWithItsTabAndLength) {
  for (const bool debug : {true, false}) {
    SCOPED_TRACE(debug ? "debug" : "not debug");
    TemporaryExtension extension(L"debug");
    ASSERT_TRUE(extension.Write(L"config.xml", std::string("<addon version=\"1.0\" updateUrl=\"http://127.0.0.1/u\"") +
                                                   (debug ? " debug=\"true\"" : "") + "/>"));
    ASSERT_EQ(extension.Register(), 0u);
    BackgroundClient tab(7);
    ASSERT_TRUE(tab.Connect());
    ASSERT_EQ(tab.Ask(L"maincalls"), L"main calls 1");
    EXPECT_EQ(CountLines("BHO7: message to the background, 9 characters"), debug ? 1 : 0);
    EXPECT_EQ(CountLines("BG: message to tab 7, 12 characters"), debug ? 1 : 0);
    tab.Disconnect();
  }
}

// An author's own folder, without the installer: the development command
// registers the programs from there, reloads the background page of the
// running host (which then hears of the tab that is still connected, and keeps
// its log), says when no host runs, and undoes the registration.
TEST_F(BackgroundPageTest, TheDevelopmentCommandRunsAnExtensionFromItsFolderAndReloadsIt) {
  TemporaryExtension extension(L"dev");
  const std::wstring script = extension.Folder() + L"tessary-dev.cmd";
  ASSERT_TRUE(WriteFileBytes(script, ReadFileBytes(SourceDirectory() + L"sdk\\tessary-dev.cmd")));
  const auto dev = [&script](const std::wstring& action) {
    return RunProgram(L"C:\\windows\\system32\\cmd.exe", L"/c " + script + L" " + action);
  };
  const std::wstring agent = L"CLSID\\{B580D708-9951-45B4-A888-4B9A6F4BE682}\\InprocServer32";
  EXPECT_EQ(dev(L""), 2u) << "no action: the usage, wherever the programs are";
  EXPECT_EQ(dev(L"install"), 2u);
  ASSERT_EQ(dev(L"register"), 0u);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, agent).value_or(L""), extension.Folder() + L"pagelet.dll");

  {
    BackgroundClient tab(3);
    ASSERT_TRUE(tab.Connect());
    ASSERT_EQ(tab.Ask(L"maincalls"), L"main calls 1");
    std::string page = ReadFileBytes(extension.Folder() + L"background.html");
    const std::string logged = "extension.log(\"main called\");";
    ASSERT_NE(page.find(logged), std::string::npos);
    page.replace(page.find(logged), logged.size(), "extension.log(\"main called, edited\");");
    ASSERT_TRUE(extension.Write(L"background.html", page));
    EXPECT_EQ(dev(L"reload"), 0u);
    EXPECT_TRUE(WaitUntil([] { return CountLinesStartingWith(LogFilePath(), "BG Script: onConnect 3 ") == 2; }, 15000));
    EXPECT_EQ(CountLines("BG Script: main called, edited"), 1);
    EXPECT_EQ(CountLines("BG Script: main called"), 1) << "the reload started a log of its own";
    EXPECT_EQ(tab.Ask(L"maincalls"), L"main calls 1");
    tab.Disconnect();
  }
  ASSERT_TRUE(WaitForNoHost(15000));
  EXPECT_EQ(dev(L"reload"), 1u) << "no host runs";
  EXPECT_EQ(dev(L"unregister"), 0u);
  EXPECT_FALSE(ReadString(HKEY_CLASSES_ROOT, agent).has_value());
}

// An extension's own toolbar pictures that cannot be used: the toolbars show
// the built-in ones, and the host program's log says why.
TEST_F(BackgroundPageTest, UnusableToolbarPicturesAreLogged) {
  struct Case {
    int clearSize;  // 0: no clear.png; -1: not a picture
    const char* problem;
  } const cases[] = {
      {0, "toolbar\\clear.png is missing"},
      {-1, "toolbar\\clear.png is not a PNG picture that can be read"},
      {16, "toolbar\\clear.png is 16 x 16 pixels, not 32 x 32"},
      {32, nullptr},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.clearSize);
    TemporaryExtension extension(L"look");
    const std::wstring folder = extension.Folder() + L"toolbar";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    for (const wchar_t* name : {L"set.png", L"set-hover.png", L"clear-hover.png"}) {
      ASSERT_TRUE(Picture::Filled(32, 32, 0xFF2060D0).SavePng(extension.Folder() + L"toolbar\\" + name));
    }
    const std::wstring clear = folder + L"\\clear.png";
    ::DeleteFileW(clear.c_str());
    if (c.clearSize > 0) {
      ASSERT_TRUE(Picture::Filled(c.clearSize, c.clearSize, 0xFFD04020).SavePng(clear));
    } else if (c.clearSize < 0) {
      ASSERT_TRUE(WriteFileBytes(clear, "not a picture"));
    }
    ASSERT_EQ(extension.Register(), 0u);
    BackgroundClient tab(1);
    ASSERT_TRUE(tab.Connect());
    EXPECT_EQ(CountLinesStartingWith(LogFilePath(), "[ERROR]: Toolbar pictures: "), c.problem ? 1 : 0);
    if (c.problem) {
      EXPECT_EQ(CountLines(std::string("[ERROR]: Toolbar pictures: ") + c.problem + "; the built-in pictures are used"), 1);
    }
  }
}

TEST_F(BackgroundPageTest, AMissingConfigFailsTheFirstCreationOnly) {
  TemporaryExtension extension(L"noconfig");
  ASSERT_TRUE(extension.Remove(L"config.xml"));
  ASSERT_EQ(extension.Register(), 0u);
  HRESULT hr = S_OK;
  ComPtr<IBGC> first = CreateBgc(&hr);
  EXPECT_EQ(hr, E_FAIL);
  EXPECT_FALSE(first);
  ComPtr<IBGC> second = CreateBgc(&hr);
  ASSERT_EQ(hr, S_OK);
  ComPtr<IBGC> third = CreateBgc(&hr);
  ASSERT_EQ(hr, S_OK);
  ::Sleep(2000);
  EXPECT_EQ(BackgroundState(second.Get()), 0);
  EXPECT_EQ(CountLines("[ERROR]: Config::read() failed, code=1"), 1);
  EXPECT_EQ(CountLines("It's the first instance, initing background..."), 1);
}

TEST_F(BackgroundPageTest, StorageKeepsItsValues) {
  BackgroundClient tab(7);
  ASSERT_TRUE(tab.Connect());
  EXPECT_EQ(tab.Ask(L"set|Key|upper case"), L"set true");
  EXPECT_EQ(tab.Ask(L"set|key|lower case \u20AC"), L"set true");
  EXPECT_EQ(tab.Ask(L"set|empty|"), L"set true");
  EXPECT_EQ(tab.Ask(L"setnul|zero"), L"set true");
  EXPECT_EQ(tab.Ask(L"get|Key"), L"string:upper case");
  EXPECT_EQ(tab.Ask(L"get|key"), L"string:lower case \u20AC");
  EXPECT_EQ(tab.Ask(L"get|empty"), L"string:");
  EXPECT_EQ(tab.Ask(L"get|never set"), L"string:");
  EXPECT_EQ(tab.Ask(L"get|zero"), L"string:ab");
  EXPECT_EQ(tab.Ask(L"del|key"), L"deleted");
  EXPECT_EQ(tab.Ask(L"get|key"), L"string:");
  EXPECT_EQ(tab.Ask(L"del|never set"), L"deleted");
}

TEST_F(BackgroundPageTest, StoredValuesSurviveARestartInTheirOnDiskFormat) {
  {
    BackgroundClient tab(8);
    ASSERT_TRUE(tab.Connect());
    EXPECT_EQ(tab.Ask(L"set|ab|xy"), L"set true");
  }
  ASSERT_TRUE(WaitForNoHost(15000));
  {
    BackgroundClient tab(8);
    ASSERT_TRUE(tab.Connect());
    EXPECT_EQ(tab.Ask(L"get|ab"), L"string:xy");
  }
  ASSERT_TRUE(WaitForNoHost(15000));

  std::string path;
  ASSERT_TRUE(ToAnsi(DataDirectory() + L"db", &path));
  leveldb::DB* raw = nullptr;
  ASSERT_TRUE(leveldb::DB::Open(leveldb::Options(), path, &raw).ok());
  std::unique_ptr<leveldb::DB> db(raw);
  std::string value;
  ASSERT_TRUE(db->Get(leveldb::ReadOptions(), std::string("a\0b\0\0\0", 6), &value).ok());
  EXPECT_EQ(value, std::string("x\0y\0\0\0", 6));
}

TEST_F(BackgroundPageTest, AKilledHostLosesNoValueThatWasStored) {
  {
    BackgroundClient tab(9);
    ASSERT_TRUE(tab.Connect());
    EXPECT_EQ(tab.Ask(L"setmany|300"), L"stored 300");
    ASSERT_EQ(FindProcesses(L"TessaryBG.exe").size(), 1u);
    KillHost();
  }
  BackgroundClient tab(9);
  ASSERT_TRUE(tab.Connect());
  EXPECT_EQ(tab.Ask(L"getmany|300"), L"found 300");
}

TEST_F(BackgroundPageTest, ReadsCustomizationFilesAndFetchesOverHttp) {
  TestHttpServer server;
  ASSERT_TRUE(server.IsListening());
  server.Serve("/update.xml", "<update version=\"2.0\"/>", "text/xml");
  BackgroundClient tab(10);
  ASSERT_TRUE(tab.Connect());
  EXPECT_EQ(tab.Ask(L"file|js/hello.txt"), L"file:caf\u00E9 from the customization folder");
  EXPECT_EQ(tab.Ask(L"file|../config.xml"), L"file:");
  EXPECT_EQ(tab.Ask(L"url"), FileUrl(ExtensionDirectory()));
  EXPECT_EQ(tab.Ask(L"fetch|" + server.Url("/update.xml")), L"200 <update version=\"2.0\"/>");
}

}  // namespace
}  // namespace tessary::test
