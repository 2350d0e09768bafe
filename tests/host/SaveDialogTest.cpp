// saveToFile in a real host program, answered as a user answers it: the test
// finds the host's Save As dialogs and message boxes among the windows, types
// into the file name box and presses buttons with window messages.
#include <windows.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "BackgroundClient.h"
#include "ChildProcess.h"
#include "HostDialogs.h"
#include "HostRegistration.h"
#include "StandInTest.h"
#include "TestEnvironment.h"
#include "UniqueHandle.h"

namespace tessary::test {
namespace {

constexpr int kBoxText = 0xFFFF;  // a message box's text

class SaveDialogTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WaitForNoHost(15000)) << "a host from an earlier test is still running";
    background_ = std::make_unique<BackgroundClient>(1);
    ASSERT_TRUE(background_->Connect());
    host_ = FindProcesses(L"TessaryBG.exe").at(0);
    folder_ = MakeTempFolder(L"save");
  }
  void TearDown() override {
    for (HWND dialog : Windows(L"")) PressButton(dialog, IDCANCEL);
    EXPECT_TRUE(WaitUntil([&] { return Windows(L"").empty(); }, 10000));
    background_.reset();
    EXPECT_TRUE(WaitForNoHost(15000));
  }

  void Save(const std::wstring& name, const std::wstring& text) {
    EXPECT_EQ(background_->Ask(L"save|" + name + L"|" + text), L"saving");
  }
  // The host's visible dialog windows with that title (any for an empty one).
  std::vector<HWND> Windows(const std::wstring& title) { return VisibleDialogs(host_, title); }
  std::vector<HWND> WaitForSaveDialogs(size_t count) {
    std::vector<HWND> dialogs;
    WaitUntil([&] { return (dialogs = Windows(L"Save As")).size() == count; }, 20000);
    return dialogs;
  }
  HWND WaitForSaveDialog() {
    const std::vector<HWND> dialogs = WaitForSaveDialogs(1);
    return dialogs.size() == 1 ? dialogs[0] : nullptr;
  }
  // A message box of the host whose text contains that text.
  HWND WaitForBox(const std::wstring& text) {
    HWND box = nullptr;
    WaitUntil(
        [&] {
          for (HWND w : Windows(L"")) {
            if (WindowText(::GetDlgItem(w, kBoxText)).find(text) != std::wstring::npos) box = w;
          }
          return box != nullptr;
        },
        20000);
    return box;
  }
  bool WaitForFile(const std::wstring& name, const std::string& bytes) {
    return WaitUntil([&] { return ReadFileBytes(folder_ + name) == bytes; }, 20000);
  }
  static int CountLines(const std::string& line) { return test::CountLines(LogFilePath(), line); }

  std::unique_ptr<BackgroundClient> background_;
  DWORD host_ = 0;
  std::wstring folder_;
};

TEST_F(SaveDialogTest, WritesUtf8WithoutByteOrderMarkAndReplacesAFileOnlyAfterAsking) {
  Save(folder_ + L"hello", L"h\u00E9llo");
  HWND dialog = WaitForSaveDialog();
  ASSERT_TRUE(dialog);
  EXPECT_EQ(WindowText(FileNameEdit(dialog)), L"hello");
  PressButton(dialog, IDOK);
  EXPECT_TRUE(WaitForFile(L"hello.txt", "\x68\xC3\xA9\x6C\x6C\x6F")) << "the dialog adds .txt to a bare name";

  ASSERT_TRUE(WriteFileBytes(folder_ + L"old.txt", "older and longer contents"));
  Save(L"old", L"new\nline");
  dialog = WaitForSaveDialog();
  ASSERT_TRUE(dialog);
  ChooseFile(dialog, folder_ + L"old.txt");
  HWND replace = WaitForBox(L"replace");
  ASSERT_TRUE(replace);
  EXPECT_EQ(ReadFileBytes(folder_ + L"old.txt"), "older and longer contents");
  PressButton(replace, IDYES);
  EXPECT_TRUE(WaitForFile(L"old.txt", "new\nline"));
}

TEST_F(SaveDialogTest, AnEmptyTextShowsNoDialogAndEveryOtherCallADialogOfItsOwn) {
  Save(L"empty", L"");
  // The dialog's buffer keeps the first 258 characters: a 259th would split the pair.
  const std::wstring longName = std::wstring(258, L'a') + L"\U0001F600z";
  Save(longName, L"long");
  // Under Wine two dialogs being built at the same moment shape their first
  // text through one shared font cache without a lock, which crashes now and
  // then: the second is asked for once the first stands.
  ASSERT_EQ(WaitForSaveDialogs(1).size(), 1u);
  Save(folder_ + L"two", L"second");
  std::vector<HWND> dialogs = WaitForSaveDialogs(2);
  ASSERT_EQ(dialogs.size(), 2u);
  ::Sleep(1000);
  ASSERT_EQ(Windows(L"Save As").size(), 2u) << "the empty text opened a dialog";
  std::vector<std::wstring> shown = {WindowText(FileNameEdit(dialogs[0])), WindowText(FileNameEdit(dialogs[1]))};
  if (shown[0] != L"two") std::swap(dialogs[0], dialogs[1]), std::swap(shown[0], shown[1]);
  EXPECT_EQ(shown, (std::vector<std::wstring>{L"two", std::wstring(258, L'a')}));
  PressButton(dialogs[1], IDCANCEL);
  PressButton(dialogs[0], IDOK);
  EXPECT_TRUE(WaitForFile(L"two.txt", "second"));
}

TEST_F(SaveDialogTest, AccessDeniedAsksAgainAndOtherFailuresEndTheAttempt) {
  // Prepared with the test prefix: as root no folder's permissions would stop
  // the file under Wine, so this folder is one of sysfs, which creates none.
  const std::wstring denied = L"C:\\readonly\\tessary-denied.txt";
  UniqueHandle probe(::CreateFileW(denied.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_FALSE(probe);
  ASSERT_EQ(::GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));

  Save(L"denied", L"text");
  HWND dialog = WaitForSaveDialog();
  ASSERT_TRUE(dialog);
  ChooseFile(dialog, denied);
  HWND box = WaitForBox(L"You have no permission to save to this directory, please select another location");
  ASSERT_TRUE(box);
  EXPECT_EQ(WindowText(box), L"Error");
  PressButton(box, IDOK);
  dialog = WaitForSaveDialog();
  ASSERT_TRUE(dialog) << "the dialog comes again";
  EXPECT_EQ(WindowText(FileNameEdit(dialog)), L"tessary-denied.txt");
  PressButton(dialog, IDCANCEL);
  EXPECT_TRUE(WaitUntil([&] { return Windows(L"").empty(); }, 10000));
  EXPECT_EQ(CountLines("Cannot save file, error 5"), 1);

  // A file another program holds open without sharing.
  const std::wstring locked = folder_ + L"locked.txt";
  ASSERT_TRUE(WriteFileBytes(locked, "kept"));
  UniqueHandle holder(::CreateFileW(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr));
  ASSERT_TRUE(holder);
  Save(L"locked", L"text");
  dialog = WaitForSaveDialog();
  ASSERT_TRUE(dialog);
  ChooseFile(dialog, locked);
  HWND replace = WaitForBox(L"replace");
  ASSERT_TRUE(replace);
  PressButton(replace, IDYES);
  box = WaitForBox(L"Unable to save to this location");
  ASSERT_TRUE(box);
  PressButton(box, IDOK);
  EXPECT_TRUE(WaitUntil([&] { return Windows(L"").empty(); }, 10000));
  ::Sleep(1000);
  EXPECT_TRUE(Windows(L"").empty()) << "no second dialog after another failure";
  EXPECT_EQ(CountLines("Cannot save file, error 32"), 1);
  holder.Reset();
  EXPECT_EQ(ReadFileBytes(locked), "kept");
}

// The text exists only in the host process until it is written: the process
// waits for the user's answer even when every client has let it go.
TEST_F(SaveDialogTest, AnOpenDialogKeepsTheHostUpAfterItsLastClientLeft) {
  Save(folder_ + L"kept", L"kept text");
  HWND dialog = WaitForSaveDialog();
  ASSERT_TRUE(dialog);
  background_.reset();
  EXPECT_FALSE(WaitForProcessEnd(host_, 5000)) << "the host ended with the dialog open";
  ChooseFile(dialog, folder_ + L"kept.txt");
  EXPECT_TRUE(WaitForFile(L"kept.txt", "kept text"));
  EXPECT_TRUE(WaitForProcessEnd(host_, 15000)) << "the host outlived the dialog";
}

}  // namespace
}  // namespace tessary::test
