// What the toolbar draws, read back from the screen: the product's band,
// registered as an installer registers it, in a frame of this process (where
// Wine shows what it draws), its state from a recording host or from the
// host's message, the mouse moved over it as a user would.
#include <gtest/gtest.h>

#include <commctrl.h>
#include <shobjidl.h>

#include <string>

#include <wrl/client.h>

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

// An extension's own look: its four pictures take the padlock's place, its
// title and tooltip are the band's; one picture of the wrong size brings back
// all four built-in ones, the title and tooltip staying.
TEST_F(ButtonPictureTest, AnExtensionsOwnPicturesTitleAndTooltipReplaceTheBuiltInOnes) {
  const wchar_t* const names[] = {L"set.png", L"clear.png", L"set-hover.png", L"clear-hover.png"};
  const DWORD colours[] = {0xFF2060D0, 0xFFD04020, 0xFF60A0F0, 0xFFF08060};
  for (const int clearSize : {32, 16}) {
    SCOPED_TRACE("clear.png of " + std::to_string(clearSize) + " pixels");
    const std::wstring folder = MakeTempFolder(L"look");
    ASSERT_TRUE(::CopyFileW(ToolbarLibrary().c_str(), (folder + L"barlet.dll").c_str(), FALSE));
    ASSERT_TRUE(::CreateDirectoryW((folder + L"toolbar").c_str(), nullptr) || ::GetLastError() == ERROR_ALREADY_EXISTS);
    for (int i = 0; i < 4; ++i) {
      const int size = i == 1 ? clearSize : 32;
      ASSERT_TRUE(Picture::Filled(size, size, colours[i]).SavePng(folder + L"toolbar\\" + names[i]));
    }
    ASSERT_TRUE(WriteFileBytes(folder + L"config.xml",
                               "<addon version=\"1\" updateUrl=\"u\" title=\"Hello\" tooltip=\"Say hello\"/>"));
    ASSERT_EQ(Regsvr32(L"/s", folder + L"barlet.dll"), 0u);
    const int creations = host_.Creations();
    auto frame = BandFrame::Create();
    ASSERT_TRUE(frame && frame->Toolbars().size() == 1u);
    const HWND toolbar = frame->Toolbars()[0].second;
    ASSERT_TRUE(PumpMessagesUntil([&] { return host_.Creations() == creations + 1; }, 20000));
    RECT client = {};
    ::GetClientRect(toolbar, &client);
    if (clearSize == 32) {
      EXPECT_TRUE(PumpMessagesUntil(
          [&] { return SameColour(Picture::OfScreen(toolbar).At(client.right - 20, 16), colours[1]); }, 5000));
    } else {
      EXPECT_TRUE(PumpMessagesUntil(
          [&] { return pictures_.Find(Picture::OfScreen(toolbar), client.right - 36, 0) == kClear; }, 5000));
    }
    // The toolbar asks the band's window for the button's tooltip.
    HWND reflection = nullptr;
    for (HWND child = ::GetWindow(::GetParent(toolbar), GW_CHILD); child && !reflection;
         child = ::GetWindow(child, GW_HWNDNEXT)) {
      wchar_t name[16] = {};
      ::GetClassNameW(child, name, ARRAYSIZE(name));
      if (std::wstring(name).rfind(L"ATL:", 0) == 0) reflection = child;
    }
    ASSERT_TRUE(reflection);
    wchar_t buffer[80] = {};
    NMTBGETINFOTIPW tip = {{toolbar, 0, TBN_GETINFOTIPW}, buffer, ARRAYSIZE(buffer), 13, 0};
    ::SendMessageW(reflection, WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&tip));
    const std::wstring text = buffer;
    EXPECT_EQ(text, L"Say hello");
    Microsoft::WRL::ComPtr<IDeskBand> band;
    ASSERT_EQ(::CoCreateInstance(frame->Toolbars()[0].first, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&band)), S_OK);
    DESKBANDINFO info = {};
    info.dwMask = DBIM_TITLE;
    EXPECT_EQ(band->GetBandInfo(0, 0, &info), S_OK);
    EXPECT_STREQ(info.wszTitle, L"Hello");
    band.Reset();
    frame.reset();
  }
  EXPECT_EQ(RegisterToolbar(), 0u);
}

}  // namespace
}  // namespace tessary::test
