// window.clipboardData: what a page copies is offered through the OLE
// clipboard of the page's thread, as in Internet Explorer, and goes with that
// thread's OLE unless someone takes a copy first.
#include <windows.h>
#include <ole2.h>

#include <gtest/gtest.h>

#include <thread>

#include "BrowserHost.h"
#include "TestEnvironment.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {
namespace {

void EmptyTheClipboard() {
  ASSERT_TRUE(::OpenClipboard(nullptr));
  ::EmptyClipboard();
  ::CloseClipboard();
}

struct PageResult {
  std::wstring copied, readBack, otherFormat;
  bool offered = false;
};

// Loads the page on a thread of its own, with OLE, and ends that thread.
PageResult RunCopyingPage(const std::wstring& page) {
  PageResult result;
  std::thread thread([&] {
    if (FAILED(::OleInitialize(nullptr))) return;
    {
      BrowserHost host;
      if (host.IsValid() && host.Load(page)) {
        ComPtr<IDispatch> script;
        host.Document()->get_Script(&script);
        result.copied = GetStringByName(script.Get(), L"copied");
        result.readBack = GetStringByName(script.Get(), L"readBack");
        result.otherFormat = GetStringByName(script.Get(), L"otherFormat");
        result.offered = ::IsClipboardFormatAvailable(CF_UNICODETEXT) != FALSE;
      }
    }
    ::OleUninitialize();
  });
  thread.join();
  return result;
}

TEST(ClipboardDataTest, CopiedTextIsOfferedWhileThePageThreadsOleLives) {
  EmptyTheClipboard();
  const std::wstring folder = MakeTempFolder(L"clipboard");
  const PageResult result = RunCopyingPage(WriteTestPage(
      folder, L"copy.html",
      "<script>var copied = String(window.clipboardData.setData('Text', 'from the page'));\n"
      "var readBack = window.clipboardData.getData('text');\n"
      "var otherFormat = String(window.clipboardData.setData('Image', 'x'));</script>"));
  EXPECT_EQ(result.copied, L"true");
  EXPECT_EQ(result.readBack, L"from the page");
  EXPECT_EQ(result.otherFormat, L"false");
  EXPECT_TRUE(result.offered);
  // Nobody took a copy before the thread's OLE ended: the text is gone.
  EXPECT_FALSE(::IsClipboardFormatAvailable(CF_UNICODETEXT));
}

}  // namespace
}  // namespace tessary::test
