// Tessary Notes' background page as content scripts talk to it: the test takes
// a content script's place (a tab channel of its own) and sends the messages
// the extension's content script sends, well made and not.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "BackgroundClient.h"
#include "HostRegistration.h"
#include "RegisteredHostEnvironment.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

const auto* const kRegisteredHost = ::testing::AddGlobalTestEnvironment(new RegisteredHostEnvironment);

constexpr int kTab = 7;
constexpr wchar_t kNoAnswer[] = L"<no answer yet>";

int Logged(const std::string& line) { return CountLines(LogFilePath(), "BG Script: Notes: " + line); }

class NotesBackgroundTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(WaitForNoHost(15000)) << "a host from an earlier test is still running";
    ASSERT_TRUE(RemoveFolder(DataDirectory() + L"db\\"));
    Connect();
  }
  void TearDown() override {
    tab_.reset();
    EXPECT_TRUE(WaitForNoHost(15000));
  }
  void Connect() {
    tab_ = std::make_unique<BackgroundClient>(kTab);
    ASSERT_TRUE(tab_->Connect());
  }

  std::unique_ptr<BackgroundClient> tab_;
};

TEST_F(NotesBackgroundTest, AnswersWellMadeMessagesAndLogsTheOthersLosingNothing) {
  struct Case {
    const wchar_t* message;
    const wchar_t* answer;  // on the tab's channel
    const char* logged;     // after "BG Script: Notes: "
  } const cases[] = {
      {L"hello|http%3A%2F%2Fexample%2Fa", L"highlight", nullptr},
      // Any character may stand in a note: the fields are encoded.
      {L"save|a%7Cb%25c%20%C3%A9|http%3A%2F%2Fexample%2Fa", L"highlight|a%7Cb%25c%20%C3%A9", "added note 1, 1 note(s) now"},
      {L"save|%20%0A|http%3A%2F%2Fexample%2Fa", kNoAnswer, "an empty note is not kept"},
      {L"save|x%E0%A4|page", kNoAnswer, "tab 7 sent a message that is not made of fields: save|x%E0%A4|page"},
      {L"save|two fields", kNoAnswer, "tab 7 sent a message that Notes does not know: save|two fields"},
      {L"fly|away", kNoAnswer, "tab 7 sent a message that Notes does not know: fly|away"},
      {L"", kNoAnswer, "tab 7 sent a message that Notes does not know: "},
      {L"save|second|", L"highlight|a%7Cb%25c%20%C3%A9|second", "added note 2, 2 note(s) now"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(Narrow(c.message));
    const int before = c.logged ? Logged(c.logged) : 0;
    const size_t received = tab_->Channel().Received().size();
    EXPECT_EQ(tab_->Ask(c.message), c.answer);
    EXPECT_EQ(tab_->Channel().Received().size(), received + (c.answer == std::wstring(kNoAnswer) ? 0 : 1));
    if (c.logged) {
      EXPECT_EQ(Logged(c.logged), before + 1);
    }
  }

  // The notes are in the storage: a new host program reads them at its start.
  ASSERT_EQ(tab_->Disconnect(), S_OK);
  tab_.reset();
  ASSERT_TRUE(WaitForNoHost(15000));
  Connect();
  EXPECT_EQ(Logged("2 note(s) loaded"), 1);
  EXPECT_EQ(tab_->Ask(L"hello|page"), L"highlight|a%7Cb%25c%20%C3%A9|second");
}

// Another tab's note, saved while the host waits for this tab to take an older
// answer, may reach this tab first: the tab is told again once the older
// answer is taken, so that the last word it hears is the newest.
TEST_F(NotesBackgroundTest, ATabIsToldAgainWhenTheNotesChangedWhileItWasBeingTold) {
  BackgroundClient other(kTab + 1);
  ASSERT_TRUE(other.Connect());
  bool asked = false;
  std::wstring otherTold;
  tab_->Channel().OnReceived([&](const std::wstring&) {
    if (asked) return;
    asked = true;  // the news of the other tab's note comes through here too
    otherTold = other.Ask(L"save|nested|page");
  });
  EXPECT_EQ(tab_->Ask(L"hello|page"), L"highlight|nested");
  EXPECT_EQ(otherTold, L"highlight|nested");
  EXPECT_EQ(tab_->Channel().Received(), (std::vector<std::wstring>{L"highlight", L"highlight|nested", L"highlight|nested"}));
  tab_->Channel().OnReceived(nullptr);
  ASSERT_EQ(other.Disconnect(), S_OK);
}

}  // namespace
}  // namespace tessary::test
