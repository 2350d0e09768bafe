// The author's kit as an author meets it, in a Wine prefix where nothing of
// the product was registered: the starter extension, registered from its own
// folder by the kit's development command, runs in a tab of the Internet
// Explorer stand-in; its background page, edited, reloads while the tab stays.
#include <gtest/gtest.h>

#include <string>

#include "BrowserSession.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "Tessary.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

constexpr DWORD kWaitMs = 30000;

std::wstring Kit() {
  wchar_t folder[MAX_PATH] = {};
  ::GetEnvironmentVariableW(L"TESSARY_SDK_DIR", folder, MAX_PATH);
  return std::wstring(folder) + L"\\";
}

bool Logged(const std::string& line) {
  return WaitUntil([&] { return CountLines(LogFilePath(), line) == 1; }, kWaitMs);
}

TEST(SdkTest, TheStarterRunsFromItsFolderAndItsBackgroundPageReloads) {
  const std::wstring starter = Kit() + L"starter";
  const auto dev = [&](const std::wstring& action) {
    return RunProgram(L"C:\\windows\\system32\\cmd.exe",
                      L"/c " + Kit() + L"tessary-dev.cmd " + action + L" " + starter);
  };
  ASSERT_EQ(dev(L"register"), 0u);
  // Wine's type-library marshaler wants the host's library under locale 0 as
  // well, which the test adds as the test prefix does; the product writes 0x409.
  AddNeutralLocaleTypeLib(LIBID_Tessary);
  ASSERT_NE(::GetFileAttributesW((starter + L"\\TessaryBG.exe").c_str()), INVALID_FILE_ATTRIBUTES)
      << "the programs come from the kit";
  const std::wstring page = WriteTestPage(MakeTempFolder(L"sdk"), L"page.html", "<p>a page</p>");
  {
    auto session = BrowserSession::Start(page);
    ASSERT_TRUE(session) << Narrow(BrowserSession::LastStartError());
    const std::string tab = std::to_string(session->Tabs().at(0));
    EXPECT_TRUE(Logged("BG Script: starter: main"));
    EXPECT_TRUE(Logged("BHO" + tab + ": starter: content script on " + Narrow(FileUrl(page))));
    EXPECT_TRUE(Logged("BG Script: starter: tab " + tab + " says hello"));

    std::string background = ReadFileBytes(starter + L"\\background.html");
    const std::string main = "extension.log(\"starter: main\");";
    ASSERT_NE(background.find(main), std::string::npos);
    background.replace(background.find(main), main.size(), "extension.log(\"starter: main, edited\");");
    ASSERT_TRUE(WriteFileBytes(starter + L"\\background.html", background));
    EXPECT_EQ(dev(L"reload"), 0u);
    EXPECT_TRUE(Logged("BG Script: starter: main, edited"));
    EXPECT_TRUE(WaitUntil(
        [&] { return CountLinesStartingWith(LogFilePath(), "BG Script: starter: tab " + tab + " shows ") == 2; },
        kWaitMs))
        << "the reloaded page hears of the tab";
    EXPECT_EQ(session->Tabs().size(), 1u);
    EXPECT_TRUE(session->Stop());
  }
  EXPECT_TRUE(WaitForNoHost(kWaitMs));
  RemoveNeutralLocaleTypeLib(LIBID_Tessary);
  EXPECT_EQ(dev(L"unregister"), 0u);
}

}  // namespace
}  // namespace tessary::test
