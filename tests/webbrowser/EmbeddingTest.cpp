// The stand-in as an OLE object in a container: its windows inside the site's
// window, resizing, deactivation and activation again (as the host program's
// resize cycle does) without losing the page.
#include <gtest/gtest.h>

#include "BrowserHost.h"
#include "TestEnvironment.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {
namespace {

HWND PageWindowIn(HWND site) {
  HWND embedding = ::FindWindowExW(site, nullptr, L"Shell Embedding", nullptr);
  return embedding ? ::FindWindowExW(embedding, nullptr, L"Internet Explorer_Server", nullptr) : nullptr;
}

TEST(WebBrowserEmbeddingTest, KeepsItsPageThroughDeactivationAndActivation) {
  BrowserHost host;
  ASSERT_TRUE(host.IsValid());
  ASSERT_TRUE(host.Load(WriteTestPage(MakeTempFolder(L"embedding"), L"page.html", "<script>var marker = 'kept';</script>")));
  HWND page = PageWindowIn(host.Window());
  ASSERT_TRUE(page) << "the control's windows are children of the site's window";

  ComPtr<IOleInPlaceObject> inPlace;
  ComPtr<IOleInPlaceActiveObject> active;
  ASSERT_EQ(host.Object()->QueryInterface(IID_PPV_ARGS(&inPlace)), S_OK);
  ASSERT_EQ(host.Object()->QueryInterface(IID_PPV_ARGS(&active)), S_OK);
  const RECT area = {0, 0, 200, 100};
  EXPECT_EQ(inPlace->SetObjectRects(&area, &area), S_OK);
  RECT client = {};
  ::GetClientRect(page, &client);
  EXPECT_EQ(client.right, 200);
  EXPECT_EQ(client.bottom, 100);
  MSG key = {page, WM_KEYDOWN, VK_TAB, 0};
  EXPECT_EQ(active->TranslateAccelerator(&key), S_FALSE) << "keys are left to the container's loop";

  EXPECT_EQ(inPlace->UIDeactivate(), S_OK);
  EXPECT_EQ(inPlace->InPlaceDeactivate(), S_OK);
  EXPECT_FALSE(::IsWindow(page));
  ::GetClientRect(host.Window(), &client);
  ASSERT_EQ(host.Object()->DoVerb(OLEIVERB_INPLACEACTIVATE, nullptr, nullptr, 0, host.Window(), &client), S_OK);
  EXPECT_TRUE(PageWindowIn(host.Window()));
  ComPtr<IDispatch> script;
  ASSERT_EQ(host.Document()->get_Script(&script), S_OK);
  EXPECT_EQ(GetStringByName(script.Get(), L"marker"), L"kept");

  ComPtr<IViewObject> view;
  ComPtr<IDataObject> data;
  ASSERT_EQ(host.Object()->QueryInterface(IID_PPV_ARGS(&view)), S_OK);
  EXPECT_EQ(view->SetAdvise(DVASPECT_CONTENT, 0, nullptr), S_OK);
  EXPECT_EQ(host.Object()->QueryInterface(IID_PPV_ARGS(&data)), S_OK);
}

}  // namespace
}  // namespace tessary::test
