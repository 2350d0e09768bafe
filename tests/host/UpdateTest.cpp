// The update through the real host program: its background page calls
// checkUpdate (twice: the second call must start nothing), a server of the
// test's own on 127.0.0.1 serves the update description and the installer,
// and the test answers the prompts through their windows as a user would. The
// test lets go of the host once the check is started, so the host ends when
// the update thread does.
#include <windows.h>
#include <exdisp.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <wrl/client.h>

#include "Bstr.h"
#include "BrowserSession.h"
#include "ChildProcess.h"
#include "BackgroundClient.h"
#include "HostRegistration.h"
#include "MessageBoxes.h"
#include "Sha1Digest.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "Variant.h"

namespace tessary::test {
namespace {

using Microsoft::WRL::ComPtr;

constexpr wchar_t kCaption[] = L"Zadezeri";
constexpr wchar_t kDownloadPrompt[] = L"A new version is available, 2.0. Download it now?";
constexpr wchar_t kInstallPrompt[] =
    L"Zadezeri updates are ready to install. All instances of Internet Explorer will be closed. Proceed with updates?";
constexpr char kModifiedSince[] = "Sat, 01 Jan 2000 00:00:01 GMT";

struct Answer {
  const wchar_t* prompt;
  int button;
};

std::wstring TempFolder() { return DataDirectory() + L"tmp\\"; }
std::wstring UpdateFile() { return TempFolder() + L"setup.exe"; }
bool Exists(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }
int Logged(const std::string& prefix) { return CountLinesStartingWith(LogFilePath(), prefix); }

class UpdateTest : public ::testing::Test {
 protected:
  // A copy of the extension whose config.xml each test points at its server.
  static void SetUpTestSuite() {
    extension_ = new TemporaryExtension(L"update");
    ASSERT_EQ(extension_->Register(), 0u);
  }
  static void TearDownTestSuite() {
    delete extension_;
    extension_ = nullptr;
  }

  void SetUp() override {
    ASSERT_TRUE(WaitForNoHost(15000)) << "a host from an earlier test is still running";
    ASSERT_TRUE(server_.IsListening());
    ASSERT_TRUE(extension_->Write(
        L"config.xml", "<addon version=\"1.2\" updateUrl=\"" + Narrow(server_.Url("/update.xml")) + "\"/>"));
    ASSERT_TRUE(RemoveFolder(TempFolder()));
    installer_ = ReadFileBytes(FixturesDirectory() + L"test_installer.exe");
    ASSERT_FALSE(installer_.empty());
    server_.Serve("/files/setup.exe", installer_, "application/octet-stream");
  }
  void TearDown() override {
    DismissMessageBoxes(kCaption, IDNO);
    if (!WaitForNoHost(15000)) KillHost();
  }

  // A description that offers 2.0 with the installer at /files/setup.exe.
  void Offer(const std::string& hash) {
    server_.Serve("/update.xml", "<updates><old><version>1.1</version><url>" + Narrow(server_.Url("/files/old.exe")) +
             "</url><hash>" + hash + "</hash></old><new><version>2.0</version><url>" +
             Narrow(server_.Url("/files/setup.exe")) + "</url><hash>" + hash + "</hash></new></updates>",
                  "text/xml");
  }

  // Starts a host, has its background page ask for the check twice, and lets go.
  void CheckForUpdate() {
    BackgroundClient tab(1);
    ASSERT_TRUE(tab.Connect());
    EXPECT_EQ(tab.Ask(L"update"), L"update asked");
    EXPECT_EQ(tab.Ask(L"update"), L"update asked");
  }
  // Answers the prompts as they come, then waits for the update to end.
  void AnswerPrompts(const std::vector<Answer>& answers) {
    for (const Answer& answer : answers) {
      const MessageBoxWindow box = WaitForMessageBox(kCaption);
      ASSERT_TRUE(box.window) << "no prompt for: " << Narrow(answer.prompt);
      EXPECT_EQ(box.text, answer.prompt);
      ASSERT_TRUE(PressButton(box.window, answer.button));
    }
    EXPECT_TRUE(WaitForNoHost(30000)) << "the update did not end";
  }
  void Update(const std::vector<Answer>& answers) {
    CheckForUpdate();
    AnswerPrompts(answers);
  }

  static TemporaryExtension* extension_;
  TestHttpServer server_;
  std::string installer_;
};

TemporaryExtension* UpdateTest::extension_ = nullptr;

TEST_F(UpdateTest, ADescriptionWithoutNewerReleaseEndsTheCheckSilently) {
  const struct {
    const char* name;
    std::string description;
    const char* status;
    int errors;  // "Cannot parse xml"
  } cases[] = {
      {"nothing newer", "<updates><a><version>1.2</version><url>http://h/a.exe</url><hash>AB</hash></a></updates>",
       "200 OK", 0},
      {"wrong root", "<releases><a><version>2.0</version><url>http://h/a.exe</url><hash>AB</hash></a></releases>",
       "200 OK", 1},
      {"an error page", "<html><body><h1>Internal Server Error</h1></body></html>", "500 Internal Server Error", 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    server_.Serve("/update.xml", c.description, "text/html", c.status);
    const int before = server_.Requests();
    Update({});
    EXPECT_EQ(server_.Requests() - before, 1) << "the second checkUpdate started nothing";
    EXPECT_EQ(Logged("[ERROR]: updateThreadFn: Cannot parse xml"), c.errors);
    EXPECT_EQ(Logged("[ERROR]") + Logged("[WARNING]"), c.errors);
    EXPECT_FALSE(Exists(TempFolder())) << "nothing is written";
  }
}

TEST_F(UpdateTest, TheInstallerIsDownloadedWhenAgreedAndKeptWhenItsDigestMatches) {
  const std::string digest = Sha1Digest(installer_);
  ASSERT_EQ(digest.size(), 40u);
  std::string lowerCase = digest;
  for (char& c : lowerCase) c = static_cast<char>(tolower(c));
  const struct {
    const char* name;
    std::string hash;
    const char* present;  // bytes of an earlier file, or none
    std::vector<Answer> answers;
    int downloads;
    bool kept;
    std::vector<std::pair<std::string, int>> log;  // line prefixes and their counts
  } cases[] = {
      {"download declined", digest, nullptr, {{kDownloadPrompt, IDNO}}, 0, false, {}},
      {"a description's hash in lower case", lowerCase, nullptr,
       {{kDownloadPrompt, IDYES}, {kInstallPrompt, IDNO}}, 1, true, {}},
      {"a present file with a wrong digest", digest, "not the installer",
       {{kDownloadPrompt, IDYES}, {kInstallPrompt, IDNO}}, 1, true, {{"[WARNING]: Can't make file hash, code ", 1}}},
      {"a wrong digest twice", std::string(40, '0'), nullptr, {{kDownloadPrompt, IDYES}}, 2, false,
       {{"[WARNING]: updateThreadFn: Can't validate file hash, code ", 2},
        {"[ERROR]: updateThreadFn: Update failed after 2 tries", 1}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ASSERT_TRUE(RemoveFolder(TempFolder()));
    if (c.present) {
      ASSERT_TRUE(::CreateDirectoryW(TempFolder().c_str(), nullptr));
      ASSERT_TRUE(WriteFileBytes(UpdateFile(), c.present));
    }
    Offer(c.hash);
    const int before = server_.RequestsFor("/files/setup.exe");
    Update(c.answers);
    EXPECT_EQ(server_.RequestsFor("/files/setup.exe") - before, c.downloads);
    EXPECT_EQ(server_.RequestsFor("/files/old.exe"), 0);
    if (c.kept) {
      EXPECT_EQ(ReadFileBytes(UpdateFile()), installer_);
    } else {
      EXPECT_FALSE(Exists(UpdateFile()));
    }
    int expectedLines = 0;
    for (const auto& [line, count] : c.log) {
      EXPECT_EQ(Logged(line), count) << line;
      expectedLines += count;
    }
    EXPECT_EQ(Logged("[ERROR]") + Logged("[WARNING]"), expectedLines);
    EXPECT_FALSE(Exists(UpdateFile() + L".ran")) << "no installer was started";
  }
  for (const TestHttpServer::Request& request : server_.Received()) {
    EXPECT_EQ(request.Header("If-Modified-Since"), kModifiedSince) << request.path;
  }
}

TEST_F(UpdateTest, ADeclinedInstallIsOfferedAgainByTheNextHostWithoutDownload) {
  Offer(Sha1Digest(installer_));
  Update({{kDownloadPrompt, IDYES}, {kInstallPrompt, IDNO}});
  EXPECT_EQ(ReadFileBytes(UpdateFile()), installer_);
  Update({{kInstallPrompt, IDNO}});
  EXPECT_EQ(server_.RequestsFor("/files/setup.exe"), 1);
  EXPECT_EQ(server_.RequestsFor("/update.xml"), 2);
  EXPECT_EQ(ReadFileBytes(UpdateFile()), installer_);
}

TEST_F(UpdateTest, AnAcceptedInstallQuitsInternetExplorerAndStartsTheInstaller) {
  // Held from the start, so that the shell's list (and its folder window)
  // cannot end and come back new meanwhile.
  ComPtr<IShellWindows> windows;
  ASSERT_EQ(::CoCreateInstance(CLSID_ShellWindows, nullptr, CLSCTX_ALL, IID_PPV_ARGS(&windows)), S_OK);
  const std::wstring page = WriteTestPage(MakeTempFolder(L"update"), L"page.html", "<p>page</p>");
  auto first = BrowserSession::Start(page);
  auto second = BrowserSession::Start(page);
  ASSERT_TRUE(first && second) << Narrow(BrowserSession::LastStartError());
  ASSERT_NE(first->OpenTab(page), 0u);
  std::vector<DWORD> processes = {first->FrameProcessId(), second->FrameProcessId()};
  for (BrowserSession* session : {first.get(), second.get()}) {
    for (DWORD tab : session->Tabs()) processes.push_back(session->TabProcess(tab));
  }
  ASSERT_EQ(processes.size(), 5u);

  Offer(Sha1Digest(installer_));
  CheckForUpdate();
  const MessageBoxWindow download = WaitForMessageBox(kCaption);
  ASSERT_TRUE(download.window);
  EXPECT_EQ(download.text, kDownloadPrompt);
  EXPECT_TRUE(download.owner == first->FrameWindow() || download.owner == second->FrameWindow())
      << "the prompt belongs to a frame of Internet Explorer";
  ASSERT_TRUE(PressButton(download.window, IDYES));
  AnswerPrompts({{kInstallPrompt, IDYES}});

  for (DWORD process : processes) EXPECT_TRUE(WaitForProcessEnd(process, 15000)) << "process " << process;
  long count = 0;
  ComPtr<IDispatch> item;
  ComPtr<IWebBrowser2> folder;
  Bstr program;
  ASSERT_EQ(windows->get_Count(&count), S_OK);
  ASSERT_EQ(count, 1) << "only the folder window is left";
  ASSERT_EQ(windows->Item(ArgI4(0), &item), S_OK);
  ASSERT_EQ(item.As(&folder), S_OK);
  ASSERT_EQ(folder->get_FullName(program.Put()), S_OK);
  EXPECT_NE(program.View().find(L"\\explorer.exe"), std::wstring::npos);
  ASSERT_TRUE(WaitUntil([] { return Exists(UpdateFile() + L".ran"); }, 15000)) << "the installer did not run";
  EXPECT_NE(ReadFileBytes(UpdateFile() + L".ran").find("setup.exe"), std::string::npos);
  EXPECT_EQ(Logged("[ERROR]") + Logged("[WARNING]"), 0);
}

// An installer that Windows cannot start (or that the user does not let
// change the computer) leaves the browser open, and the next check asks again
// before closing anything.
TEST_F(UpdateTest, AnInstallerThatCannotStartLeavesInternetExplorerOpen) {
  const std::string notAProgram = "not a program at all";
  server_.Serve("/files/setup.exe", notAProgram, "application/octet-stream");
  const std::wstring page = WriteTestPage(MakeTempFolder(L"update"), L"page.html", "<p>page</p>");
  auto browser = BrowserSession::Start(page);
  ASSERT_TRUE(browser) << Narrow(BrowserSession::LastStartError());

  Offer(Sha1Digest(notAProgram));
  Update({{kDownloadPrompt, IDYES}, {kInstallPrompt, IDYES}});
  EXPECT_EQ(Logged("[ERROR]: Could not start " + Narrow(UpdateFile()) + "; code "), 1);
  EXPECT_TRUE(browser->IsRunning()) << "the browser was closed for an installer that did not start";

  CheckForUpdate();
  const MessageBoxWindow again = WaitForMessageBox(kCaption);
  ASSERT_TRUE(again.window);
  EXPECT_EQ(again.text, kInstallPrompt);
  EXPECT_TRUE(browser->IsRunning());
  ASSERT_TRUE(PressButton(again.window, IDNO));
  EXPECT_TRUE(WaitForNoHost(30000));
  EXPECT_TRUE(browser->IsRunning());
  EXPECT_EQ(server_.RequestsFor("/files/setup.exe"), 1);
}

}  // namespace
}  // namespace tessary::test
