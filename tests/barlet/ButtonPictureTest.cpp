// What the toolbar draws, read back from the screen: the product's band,
// registered as an installer registers it, in a frame of this process (where
// Wine shows what it draws), its state from a recording host or from the
// host's message, the mouse moved over it as a user would.
#include <gtest/gtest.h>

#include <commctrl.h>

#include "BandFrame.h"
#include "HostRegistration.h"
#include "RecordingBG.h"
#include "TestEnvironment.h"
#include "ToolbarPictures.h"
#include "ToolbarWindow.h"

namespace tessary::test {
namespace {

constexpr int kSet = 0, kSetHover = 1, kClear = 2, kClearHover = 3;

class ButtonPictureTest : public ::testing::Test {
 protected:
  // The host program's registration brings the interfaces that the
  // recording host's calls are marshalled with.
  static void SetUpTestSuite() {
    ASSERT_EQ(RegisterToolbar(), 0u);
    ASSERT_EQ(RegisterHost(), 0u);
  }
  static void TearDownTestSuite() {
    UnregisterHost();
    UnregisterToolbar();
  }

  void SetUp() override {
    ASSERT_TRUE(pictures_.IsLoaded());
    ASSERT_TRUE(host_.IsServing());
    // The mouse starts away from where the toolbar will be.
    ::SetCursorPos(1000, 900);
    frame_ = BandFrame::Create();
    ASSERT_TRUE(frame_);
    ASSERT_EQ(frame_->Toolbars().size(), 1u);
    toolbar_ = frame_->Toolbars()[0].second;
    // The toolbar asks the host for the state once it is up.
    ASSERT_TRUE(PumpMessagesUntil([&] { return host_.Creations() == 1; }, 20000));
  }

  RECT Client() const {
    RECT client = {};
    ::GetClientRect(toolbar_, &client);
    return client;
  }
  // Moves the mouse to a point of the toolbar as a user would: the cursor
  // goes there and the window hears of it.
  void MoveMouse(int x) {
    POINT point = {x, 10};
    ::ClientToScreen(toolbar_, &point);
    ::SetCursorPos(point.x, point.y);
    ::SendMessageW(toolbar_, WM_MOUSEMOVE, 0, MAKELPARAM(x, 10));
  }
  // The picture the screen shows at client.right - 36, once the screen shows one.
  int Shown(int expected) {
    int found = ToolbarPictures::kNone;
    PumpMessagesUntil(
        [&] {
          found = pictures_.Find(Picture::OfScreen(toolbar_), Client().right - 36, 0);
          return found == expected;
        },
        5000);
    return found;
  }

  ToolbarPictures pictures_{ToolbarLibrary()};
  RecordingBG host_;
  std::unique_ptr<BandFrame> frame_;
  HWND toolbar_ = nullptr;
};

TEST_F(ButtonPictureTest, ThePictureFollowsTheStateAndTheMouseAtTheRightEdge) {
  struct Case {
    const char* name;
    LPARAM state;
    int mouseFromRight;  // the mouse at client.right - this
    int picture;
  };
  const Case cases[] = {
      {"state clear, mouse away", 0, 300, kClear},
      {"state clear, mouse 35 in", 0, 35, kClearHover},
      {"state set, mouse 35 in", 1, 35, kSetHover},
      {"state set, mouse 36 in", 1, 36, kSet},
      {"any state but 0 is set, mouse on the edge", 7, 0, kSetHover},
      {"mouse beyond the right edge", 7, -4, kSet},
      {"state clear again, mouse 35 in", 0, 35, kClearHover},
  };
  const std::wstring screenshots = BinDirectory() + L"..\\screenshots\\";
  ::CreateDirectoryW(screenshots.c_str(), nullptr);
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ::SendMessageW(toolbar_, WM_TOOLBAR_SETSTATE, 0, c.state);
    MoveMouse(Client().right - c.mouseFromRight);
    const int shown = Shown(c.picture);
    EXPECT_EQ(shown, c.picture) << ToolbarPictures::Name(shown) << " instead of " << ToolbarPictures::Name(c.picture);
    const std::wstring name = std::to_wstring(ToolbarPictures::kResources[c.picture]);
    EXPECT_TRUE(Picture::OfScreen(frame_->BandArea()).SavePng(screenshots + L"toolbar-png" + name + L".png"));
  }
}

TEST_F(ButtonPictureTest, TheStateComesFromTheHostWhenTheToolbarIsCreated) {
  // Not lit up, whatever the mouse did to an earlier toolbar of this process.
  EXPECT_EQ(Shown(kClear), kClear);
  host_.AnswerAuthState(2);
  ::SendMessageW(toolbar_, WM_TOOLBAR_SETSTATE, 1, 0);
  EXPECT_EQ(host_.Creations(), 2) << "a refresh asks a new host object";
  EXPECT_EQ(Shown(kSet), kSet);
}

TEST_F(ButtonPictureTest, AResizeKeepsTheButtonAndThePictureAtTheRightEdge) {
  for (int width : {640, 300, 900}) {
    SCOPED_TRACE(width);
    frame_->Resize(width);
    ASSERT_TRUE(PumpMessagesUntil([&] { return Client().right > width - 60 && Client().right <= width; }, 5000));
    RECT button = {};
    ASSERT_TRUE(::SendMessageW(toolbar_, TB_GETITEMRECT, 0, reinterpret_cast<LPARAM>(&button)));
    EXPECT_EQ(button.right, Client().right);
    EXPECT_EQ(Shown(kClear), kClear);
  }
}

}  // namespace
}  // namespace tessary::test
