// setup.exe as administrators and the updater run it (silently), in a Wine
// prefix where nothing of the product was registered before: it installs the
// staged extension and programs, registers them and adds its entry to
// Programs and Features; the installed product runs Tessary Notes in the
// Internet Explorer stand-in; installing over an older release keeps the
// user's notes; the uninstaller leaves nothing of the product behind but the
// user's data, which it removes only when asked.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "BackgroundClient.h"
#include "BrowserSession.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "NotesUser.h"
#include "PendingFileOperations.h"
#include "Registry.h"
#include "Tessary.h"
#include "TessaryVersion.h"
#include "TestEnvironment.h"
#include "ToolbarPictures.h"
#include "UniqueHandle.h"

namespace tessary::test {
namespace {

constexpr DWORD kWaitMs = 60000;
const std::wstring kUninstallKey = L"Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Tessary";
const std::wstring kClasses = L"Software\\Classes\\";

// What registration writes: classes, interfaces and type libraries of the
// three programs, the page agent's helper key, the toolbar's value, the host's
// elevation policy, and the installer's own entry.
struct ProductKey {
  HKEY root;
  std::wstring path;
  const wchar_t* value;  // null: the key itself
  bool afterInstall;     // false: written only where its parent key exists
  // Written by the add-ons' 32-bit builds into the 32-bit view as well.
  bool in32BitView = false;
};

const ProductKey kProductKeys[] = {
    {HKEY_LOCAL_MACHINE, kClasses + L"CLSID\\{D580D708-9951-45B4-A888-4B9A6F4BE68B}", nullptr, true},
    {HKEY_LOCAL_MACHINE, kClasses + L"CLSID\\{D580D708-9951-45B4-A888-4B9A6F4BE69B}", nullptr, true},
    {HKEY_LOCAL_MACHINE, kClasses + L"Tessary", nullptr, true},
    {HKEY_LOCAL_MACHINE, kClasses + L"Interface\\{D580D708-9951-45B4-A888-4B9A6F4BE68D}", nullptr, true},
    {HKEY_LOCAL_MACHINE, kClasses + L"Interface\\{D580D708-9951-45B4-A888-4B9A6F4BE69D}", nullptr, true},
    {HKEY_LOCAL_MACHINE, kClasses + L"TypeLib\\{D580D708-9951-45B4-A888-4B9A6F4BE680}", nullptr, true},
    // The host's library as 32-bit tabs read it.
    {HKEY_LOCAL_MACHINE, kClasses + L"TypeLib\\{D580D708-9951-45B4-A888-4B9A6F4BE680}\\1.0\\409\\win32", nullptr, true},
    {HKEY_LOCAL_MACHINE, kClasses + L"CLSID\\{B580D708-9951-45B4-A888-4B9A6F4BE682}", nullptr, true, true},
    {HKEY_LOCAL_MACHINE, kClasses + L"Interface\\{B580D708-9951-45B4-A888-4B9A6F4BE680}", nullptr, true},
    {HKEY_LOCAL_MACHINE, kClasses + L"TypeLib\\{B580D708-9951-45B4-A888-4B9A6F4BE681}", nullptr, true},
    {HKEY_LOCAL_MACHINE, kClasses + L"CLSID\\{37DFFA47-3115-49D4-B6BA-33A43B3B0846}", nullptr, true, true},
    {HKEY_LOCAL_MACHINE, kClasses + L"Interface\\{CD56780A-DB20-40E0-9BD5-36014A7FF708}", nullptr, true},
    {HKEY_LOCAL_MACHINE, kClasses + L"TypeLib\\{3A545344-E35D-4BDD-A07E-7998ECA82706}", nullptr, true},
    {HKEY_LOCAL_MACHINE,
     L"Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\"
     L"{B580D708-9951-45B4-A888-4B9A6F4BE682}",
     nullptr, true, true},
    {HKEY_LOCAL_MACHINE, L"Software\\Microsoft\\Internet Explorer\\Toolbar",
     L"{37DFFA47-3115-49D4-B6BA-33A43B3B0846}", true, true},
    {HKEY_LOCAL_MACHINE,
     L"Software\\Microsoft\\Internet Explorer\\Low Rights\\ElevationPolicy\\{1280D708-9951-45B4-A888-4B9A6F4BE680}",
     nullptr, false},
    {HKEY_LOCAL_MACHINE, kUninstallKey, nullptr, true},
};

bool Present(const ProductKey& key, REGSAM view) {
  return key.value ? ValueExists(key.root, key.path, key.value, view) : KeyExists(key.root, key.path, view);
}

// What of the product the registry holds, in either view, and per user.
std::vector<std::wstring> Leftovers() {
  std::vector<std::wstring> found;
  for (const ProductKey& key : kProductKeys) {
    for (REGSAM view : {KEY_WOW64_64KEY, KEY_WOW64_32KEY}) {
      if (Present(key, view)) found.push_back(key.path + (view == KEY_WOW64_32KEY ? L" (32-bit view)" : L""));
    }
    if (key.path.compare(0, kClasses.size(), kClasses) == 0 && KeyExists(HKEY_CURRENT_USER, key.path)) {
      found.push_back(L"HKCU\\" + key.path);
    }
  }
  return found;
}

std::wstring ProgramFiles() {
  wchar_t folder[MAX_PATH] = {};
  ::SHGetFolderPathW(nullptr, CSIDL_PROGRAM_FILES, nullptr, SHGFP_TYPE_CURRENT, folder);
  return folder;
}

std::string Joined(const std::vector<std::wstring>& items) {
  std::string text;
  for (const auto& item : items) text += Narrow(item) + "\n";
  return text;
}

class InstallTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_EQ(Joined(Leftovers()), "") << "the product is registered before the test";
    ASSERT_TRUE(RemoveFolder(DataDirectory())) << "the user's data of an earlier test";
    folder_ = ProgramFiles() + L"\\Tessary\\";
    pages_ = MakeTempFolder(L"pages");
  }
  void TearDown() override {
    if (session_) session_->Stop();
    if (ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, L"QuietUninstallString")) Uninstall(false);
  }

  // Runs a setup.exe silently; its exit code. Wine's type-library marshaler
  // wants the host's library under locale 0 as well, which the test adds as
  // the test prefix does; the product writes 0x409.
  DWORD Install(const wchar_t* setupVariable) {
    RemoveNeutralLocaleTypeLib(LIBID_Tessary);
    const DWORD code = RunProgram(FileFromEnvironment(setupVariable), L"/S", kWaitMs * 2);
    if (code == 0) AddNeutralLocaleTypeLib(LIBID_Tessary);
    // The installer may have ended a running host program as a crash ends it,
    // whose class objects Wine's COM service keeps: this restarts the service.
    KillHost();
    return code;
  }

  // Runs the uninstaller as Programs and Features does, silently, and waits
  // for it: it goes on in a copy of itself once it has been started.
  bool Uninstall(bool removeData) {
    RemoveNeutralLocaleTypeLib(LIBID_Tessary);
    const std::wstring command = ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, L"QuietUninstallString").value_or(L"");
    const size_t quote = command.find(L'"', 1);
    if (command.empty() || command[0] != L'"' || quote == std::wstring::npos) return false;
    const std::wstring arguments = command.substr(quote + 1) + (removeData ? L" /REMOVEDATA" : L"");
    if (RunProgram(command.substr(1, quote - 1), arguments, kWaitMs) != 0) return false;
    return WaitUntil([&] { return !KeyExists(HKEY_LOCAL_MACHINE, kUninstallKey) && ListFiles(folder_).empty(); },
                     kWaitMs, 250) &&
           WaitForNoHost(kWaitMs);
  }

  // Saves a selection as a note in a tab of the stand-in and sees it
  // highlighted, and the toolbar blue: the installed add-ons of that kind
  // talking to the installed host.
  void UseNotes(TabBits bits, const std::wstring& note) {
    const std::wstring page = WriteTestPage(pages_, L"page.html", "<p>Installed: <b id='note'>" + Narrow(note) + "</b></p>");
    session_ = BrowserSession::Start(page, kWaitMs, bits);
    ASSERT_TRUE(session_) << Narrow(BrowserSession::LastStartError());
    const DWORD tab = session_->Tabs().at(0);
    ASSERT_TRUE(SaveSelectionAsNote(*session_, tab, L"note", kWaitMs));
    EXPECT_TRUE(WaitForHighlights(*session_, tab, note, 1, kWaitMs)) << Narrow(session_->Html(tab));
    const auto toolbars = session_->Toolbars(tab);
    ASSERT_EQ(toolbars.size(), 1u);
    const ToolbarPictures pictures(folder_ + (bits == TabBits::k32 ? L"barlet32.dll" : L"barlet.dll"));
    EXPECT_TRUE(WaitUntil([&] { return pictures.DrawnBy(*session_, tab, toolbars[0].second) == 0; }, kWaitMs));
    EXPECT_TRUE(session_->Stop());
    session_.reset();
    EXPECT_TRUE(WaitForNoHost(kWaitMs));
  }

  std::wstring folder_;
  std::wstring pages_;
  std::unique_ptr<BrowserSession> session_;
};

TEST_F(InstallTest, InstallsRunsAndUninstallsLeavingOnlyTheUsersData) {
  ASSERT_EQ(Install(L"TESSARY_SETUP"), 0u);

  // The staged extension folder, file for file, and the uninstaller.
  const std::wstring staged = ExtensionDirectory();
  std::vector<std::wstring> expected = ListFiles(staged);
  expected.erase(std::remove(expected.begin(), expected.end(), L".staged"), expected.end());
  expected.push_back(L"uninstall.exe");
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(Joined(ListFiles(folder_)), Joined(expected));
  for (const std::wstring& file : ListFiles(staged)) {
    if (file != L".staged") {
      EXPECT_EQ(ReadFileBytes(folder_ + file), ReadFileBytes(staged + file)) << Narrow(file);
    }
  }

  for (const ProductKey& key : kProductKeys) {
    if (key.afterInstall) {
      EXPECT_TRUE(Present(key, KEY_WOW64_64KEY)) << Narrow(key.path);
    }
    // A Windows without 32-bit programs gets no 32-bit add-ons.
    if (key.in32BitView) {
      EXPECT_EQ(Present(key, KEY_WOW64_32KEY), RunsThirtyTwoBitPrograms()) << Narrow(key.path) << " (32-bit view)";
    }
  }
  const auto value = [](const wchar_t* name) {
    return Narrow(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, name).value_or(L"<none>"));
  };
  const std::string version = TESSARY_VERSION_TEXT;
  EXPECT_EQ(value(L"DisplayName"), "Tessary Notes") << "the extension's title";
  EXPECT_EQ(value(L"DisplayVersion"), version);
  EXPECT_EQ(value(L"Publisher"), "Tessary");
  EXPECT_EQ(value(L"InstallLocation") + "\\", Narrow(folder_));
  EXPECT_EQ(value(L"UninstallString"), "\"" + Narrow(folder_) + "uninstall.exe\"");
  EXPECT_EQ(ReadString(HKEY_LOCAL_MACHINE, kClasses + L"CLSID\\{D580D708-9951-45B4-A888-4B9A6F4BE69B}\\LocalServer32"),
            L"\"" + folder_ + L"TessaryBG.exe\"");

  UseNotes(TabBits::k64, L"a note kept");
  if (RunsThirtyTwoBitPrograms()) UseNotes(TabBits::k32, L"written in a 32-bit tab");

  {
    // The uninstaller ends a running host program.
    BackgroundClient running(7);
    ASSERT_TRUE(running.Connect());
    ASSERT_TRUE(Uninstall(false));
  }
  EXPECT_EQ(Joined(Leftovers()), "");
  EXPECT_EQ(::GetFileAttributesW(folder_.c_str()), INVALID_FILE_ATTRIBUTES) << "the installation folder is left";
  EXPECT_FALSE(ListFiles(DataDirectory() + L"db\\").empty()) << "the user's notes are gone";
}

// Internet Explorer keeps the add-ons loaded while the new release installs.
// Under Wine a loaded library can simply be deleted; held open without delete
// sharing, a file can neither be deleted nor moved, as Windows keeps a loaded
// one from deletion: the worst case for the new release's files. The older
// release's add-ons carry a mark, so that the test tells them from the new.
TEST_F(InstallTest, AnUpgradeOverAddOnsInUseLeavesTheNewAddOnsAfterTheRestart) {
  ASSERT_EQ(Install(L"TESSARY_OLDER_SETUP"), 0u);
  const std::vector<std::wstring> addons = {L"pagelet.dll", L"barlet.dll", L"pagelet32.dll", L"barlet32.dll"};
  std::vector<UniqueHandle> held;
  for (const auto& addon : addons) {
    ASSERT_TRUE(WriteFileBytes(folder_ + addon, ReadFileBytes(folder_ + addon) + "older release"));
    held.emplace_back(::CreateFileW((folder_ + addon).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    0, nullptr));
    ASSERT_TRUE(held.back()) << Narrow(addon);
  }
  ASSERT_EQ(Install(L"TESSARY_SETUP"), 0u);
  held.clear();

  const auto pending = PendingFileOperations();
  // Only what was moved aside (to a temporary name) goes at the restart.
  for (const auto& operation : pending) {
    if (operation.to.empty()) {
      EXPECT_NE(operation.from.find(L".tmp"), std::wstring::npos) << Narrow(operation.from);
    }
  }
  CarryOutAsAtRestart(pending);
  for (const auto& addon : addons) {
    EXPECT_EQ(ReadFileBytes(folder_ + addon), ReadFileBytes(ExtensionDirectory() + addon)) << Narrow(addon);
  }
  for (const auto& file : ListFiles(folder_)) EXPECT_EQ(file.find(L".tmp"), std::wstring::npos) << Narrow(file);
}

TEST_F(InstallTest, InstallingOverAnOlderReleaseKeepsTheUsersNotes) {
  ASSERT_EQ(Install(L"TESSARY_OLDER_SETUP"), 0u);
  const std::string older = Narrow(FileFromEnvironment(L"TESSARY_OLDER_VERSION"));
  EXPECT_EQ(Narrow(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion").value_or(L"")), older);
  {
    // The note is saved as the content script saves it, and the host program
    // still runs when the new release is installed, as after an update that
    // the host program started.
    BackgroundClient tab(7);
    ASSERT_TRUE(tab.Connect());
    ASSERT_EQ(tab.Ask(L"save|kept%20across%20releases|page"), L"highlight|kept%20across%20releases");
    ASSERT_EQ(Install(L"TESSARY_SETUP"), 0u);
  }
  EXPECT_EQ(Narrow(ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, L"DisplayVersion").value_or(L"")),
            TESSARY_VERSION_TEXT);
  EXPECT_NE(ReadFileBytes(folder_ + L"config.xml").find(std::string("version=\"") + TESSARY_VERSION_TEXT + "\""),
            std::string::npos);
  {
    BackgroundClient tab(7);
    ASSERT_TRUE(tab.Connect());
    EXPECT_EQ(tab.Ask(L"hello|page"), L"highlight|kept%20across%20releases");
    tab.Disconnect();
  }
  ASSERT_TRUE(WaitForNoHost(kWaitMs));

  ASSERT_TRUE(Uninstall(true));
  EXPECT_EQ(Joined(Leftovers()), "");
  EXPECT_EQ(::GetFileAttributesW(DataDirectory().c_str()), INVALID_FILE_ATTRIBUTES) << "asked to, it removes the data";
}

}  // namespace
}  // namespace tessary::test
