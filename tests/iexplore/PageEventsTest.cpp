// The browser events that a Browser Helper Object receives in a tab of the
// stand-in, for a page with two frames: Internet Explorer's order, and each
// frame's events naming that frame's own browser object.
#include <gtest/gtest.h>

#include <algorithm>

#include "StandInTest.h"
#include "TestAddon.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

struct Seen {
  std::wstring event;
  int browser;
  bool top;
  std::wstring url;
};

std::vector<Seen> NavigationEvents(const std::vector<JournalEntry>& entries) {
  std::vector<Seen> seen;
  for (const JournalEntry& entry : entries) {
    if (entry.what != L"event" || entry.details.size() < 4) continue;
    seen.push_back({entry.details[0], std::stoi(entry.details[1]), entry.details[2] == L"top", entry.details[3]});
  }
  return seen;
}

size_t IndexOf(const std::vector<Seen>& seen, const std::wstring& event, int browser) {
  const auto found =
      std::find_if(seen.begin(), seen.end(), [&](const Seen& s) { return s.event == event && s.browser == browser; });
  return found - seen.begin();
}

// What the helper recorded of the browser that each completed page handed out.
std::vector<std::wstring> PageBrowsers(const std::vector<JournalEntry>& entries) {
  std::vector<std::wstring> seen;
  for (const JournalEntry& entry : entries) {
    if (entry.what != L"page browser") continue;
    std::wstring text;
    for (const std::wstring& detail : entry.details) text += (text.empty() ? L"" : L" ") + detail;
    seen.push_back(text);
  }
  return seen;
}

class PageEventsTest : public StandInTest {};

TEST_F(PageEventsTest, AHelperSeesAPageWithTwoFramesInInternetExplorersOrderWithTheFramesOwnBrowsers) {
  TestAddon helper(TestAddon::kHelper);
  ASSERT_TRUE(helper.IsRegistered());
  Page(L"left.html", "<p>left</p>");
  Page(L"right.html", "<p>right</p>");
  const std::wstring page = Page(L"framed.html",
                                 "<p>top</p><iframe name='left' src='left.html'></iframe>"
                                 "<iframe name='right' src='right.html'></iframe>");
  BrowserSession* session = Start(page);
  ASSERT_TRUE(session);
  const std::vector<Seen> seen = NavigationEvents(helper.OfProcess(session->TabProcess(session->Tabs().at(0))));
  ASSERT_FALSE(seen.empty());

  // Browser 0 is the helper's site, the tab's browser; the frames have theirs.
  const Seen& first = seen.front();
  EXPECT_EQ(first.event, L"BeforeNavigate2");
  EXPECT_EQ(first.browser, 0);
  EXPECT_TRUE(first.top);
  EXPECT_EQ(first.url, page);
  const size_t topNavigated = IndexOf(seen, L"NavigateComplete2", 0);
  const size_t topCompleted = IndexOf(seen, L"DocumentComplete", 0);
  ASSERT_LT(topCompleted, seen.size());
  EXPECT_EQ(seen[topCompleted].url, page);
  EXPECT_EQ(topCompleted, seen.size() - 1) << "the top document completes last";

  const std::wstring frames[] = {L"left.html", L"right.html"};
  for (int browser : {1, 2}) {
    const size_t before = IndexOf(seen, L"BeforeNavigate2", browser);
    const size_t navigated = IndexOf(seen, L"NavigateComplete2", browser);
    const size_t completed = IndexOf(seen, L"DocumentComplete", browser);
    ASSERT_LT(completed, seen.size()) << "frame " << browser;
    EXPECT_LT(topNavigated, before) << "a frame starts once the top document is there";
    EXPECT_LT(before, navigated);
    EXPECT_LT(navigated, completed);
    EXPECT_LT(completed, topCompleted);
    for (size_t i : {before, navigated, completed}) {
      EXPECT_FALSE(seen[i].top) << "a frame's browser is no top-level container";
      EXPECT_NE(seen[i].url.find(frames[browser - 1]), std::wstring::npos) << Narrow(seen[i].url);
    }
  }
  EXPECT_LT(IndexOf(seen, L"BeforeNavigate2", 1), IndexOf(seen, L"BeforeNavigate2", 2)) << "in document order";
  EXPECT_TRUE(std::none_of(seen.begin(), seen.end(), [](const Seen& s) { return s.browser > 2; }))
      << "one browser per frame";
}

TEST_F(PageEventsTest, APageHandsOutItsTabsBrowserWhoseWindowIsVisibleOnlyWhileTheTabIsInFront) {
  TestAddon helper(TestAddon::kHelper);
  ASSERT_TRUE(helper.IsRegistered());
  const auto [session, first, second] = StartTwoTabs();
  ASSERT_TRUE(session);
  ASSERT_TRUE(session->Navigate(first, Page(L"behind.html", "<p>behind</p>"))) << Narrow(session->LastError());
  EXPECT_EQ(PageBrowsers(helper.OfProcess(session->TabProcess(first))),
            (std::vector<std::wstring>{L"site visible", L"site hidden"}))
      << "the page's browser is the one the helper was sited on; the second tab came to the front";
  EXPECT_EQ(PageBrowsers(helper.OfProcess(session->TabProcess(second))), std::vector<std::wstring>{L"site visible"});
}

}  // namespace
}  // namespace tessary::test
