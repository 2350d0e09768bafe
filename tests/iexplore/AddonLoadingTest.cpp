// Add-ons as the stand-in loads them from the registry, like Internet
// Explorer: Browser Helper Objects and toolbar bands in every tab's process,
// each sited, shown where it belongs, measured, and released at close. The
// add-ons are the tests' own (tests/fixtures/addons).
#include <gtest/gtest.h>

#include <algorithm>

#include "Registry.h"
#include "StandInTest.h"
#include "TestAddon.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

constexpr wchar_t kHelpersKey[] = L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Browser Helper Objects\\";

// The last steps of an add-on object, as many as asked for.
std::vector<std::wstring> LastSteps(const std::vector<JournalEntry>& entries, size_t count) {
  std::vector<std::wstring> steps = Steps(entries);
  return std::vector<std::wstring>(steps.end() - std::min(count, steps.size()), steps.end());
}

// The events an add-on received during a tab's page load: from the top-level
// BeforeNavigate2 to the top-level DocumentComplete of the load'th load.
size_t EventsOfPageLoad(const std::vector<JournalEntry>& entries, int load) {
  size_t count = 0;
  int started = 0;
  for (const JournalEntry& entry : entries) {
    if (entry.what != L"event") continue;
    const bool top = entry.details.size() > 2 && entry.details[2] == L"top";
    if (top && entry.details[0] == L"BeforeNavigate2") ++started;
    if (started == load) ++count;
    if (started == load && top && entry.details[0] == L"DocumentComplete") break;
  }
  return count;
}

class AddonLoadingTest : public StandInTest {};

TEST_F(AddonLoadingTest, EveryTabLoadsTheHelpersSitesThemBeforeItNavigatesAndReleasesThemWhenItCloses) {
  TestAddon helper(TestAddon::kHelper);
  ASSERT_TRUE(helper.IsRegistered());
  EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kHelpersKey + helper.Clsid(), L"NoExplorer").value_or(0), 1u)
      << "the helper asks to stay out of the file explorer, which Internet Explorer is not";
  const auto [session, first, second] = StartTwoTabs();
  ASSERT_TRUE(session);
  // Each tab a process of its own, as without TabProcGrowth.
  const DWORD firstProcess = session->TabProcess(first);
  const DWORD secondProcess = session->TabProcess(second);

  ASSERT_EQ(helper.Objects().size(), 2u) << "one helper per tab";
  for (DWORD process : {firstProcess, secondProcess}) {
    const std::vector<std::wstring> steps = Steps(helper.OfProcess(process));
    ASSERT_GE(steps.size(), 3u) << "tab process " << process;
    EXPECT_EQ(steps[0], L"created");
    EXPECT_EQ(steps[1], L"site browser");
    EXPECT_EQ(steps[2], L"event BeforeNavigate2") << "sited before the tab's first navigation";
  }

  ASSERT_TRUE(session->CloseTab(second)) << Narrow(session->LastError());
  EXPECT_EQ(LastSteps(helper.OfProcess(secondProcess), 3),
            (std::vector<std::wstring>{L"event OnQuit", L"site null", L"released"}));
  EXPECT_NE(Steps(helper.OfProcess(firstProcess)).back(), L"released") << "the other tab keeps its helper";
  ASSERT_TRUE(session->Stop()) << Narrow(session->LastError());
  EXPECT_EQ(LastSteps(helper.OfProcess(firstProcess), 2), (std::vector<std::wstring>{L"site null", L"released"}));
}

TEST_F(AddonLoadingTest, EveryTabLoadsTheBandsIntoTheFramesBandAreaAndOnlyTheFrontTabsAreShown) {
  TestAddon band(TestAddon::kBand);
  ASSERT_TRUE(band.IsRegistered());
  const auto [session, first, second] = StartTwoTabs();
  ASSERT_TRUE(session);
  const DWORD firstProcess = session->TabProcess(first);
  const DWORD secondProcess = session->TabProcess(second);
  EXPECT_EQ(band.Objects().size(), 2u) << "one band per tab, in the tab's process";
  EXPECT_TRUE(band.OfProcess(session->FrameProcessId()).empty()) << "none in the frame's process";

  const std::vector<JournalEntry> loaded = band.OfProcess(secondProcess);
  EXPECT_EQ(Steps(loaded),
            (std::vector<std::wstring>{L"created", L"site ReBarWindow32", L"bandinfo 0", L"window", L"show 1"}));
  ASSERT_GE(loaded.size(), 2u);
  EXPECT_EQ(loaded[1].details.at(1), L"input") << "the band site is an input object site";
  EXPECT_TRUE(WaitUntil([&] { return Steps(band.OfProcess(firstProcess)).back() == L"show 0"; }, 10000))
      << "the tab that went to the back hides its band";

  std::vector<HWND> windows;
  for (DWORD tab : {first, second}) {
    const auto toolbars = session->Toolbars(tab);
    ASSERT_EQ(toolbars.size(), 1u);
    EXPECT_EQ(toolbars[0].first, band.Clsid());
    const HWND window = toolbars[0].second;
    EXPECT_EQ(WindowClass(window), L"TessaryTestBand");
    EXPECT_EQ(::GetParent(window), session->BandArea()) << "placed in the frame's band area";
    EXPECT_EQ(::GetAncestor(window, GA_ROOT), session->FrameWindow());
    EXPECT_EQ(::GetWindowThreadProcessId(window, nullptr), session->TabThread(tab)) << "made on the tab's thread";
    windows.push_back(window);
  }
  const auto visible = [&](bool firstShown) {
    return WaitUntil([&] { return (::IsWindowVisible(windows[0]) != FALSE) == firstShown &&
                                  (::IsWindowVisible(windows[1]) != FALSE) == !firstShown; }, 10000);
  };
  EXPECT_TRUE(visible(false));

  ASSERT_TRUE(session->SwitchTab(first));
  EXPECT_TRUE(WaitUntil([&] { return Steps(band.OfProcess(firstProcess)).back() == L"show 1"; }, 10000));
  EXPECT_TRUE(WaitUntil([&] { return Steps(band.OfProcess(secondProcess)).back() == L"show 0"; }, 10000));
  EXPECT_TRUE(visible(true));

  ASSERT_TRUE(session->CloseTab(second)) << Narrow(session->LastError());
  EXPECT_EQ(LastSteps(band.OfProcess(secondProcess), 3),
            (std::vector<std::wstring>{L"close", L"site null", L"released"}));
  EXPECT_EQ(Steps(band.OfProcess(firstProcess)).back(), L"show 1") << "the other tab keeps its band";
  ASSERT_TRUE(session->Stop()) << Narrow(session->LastError());
  EXPECT_EQ(LastSteps(band.OfProcess(firstProcess), 3),
            (std::vector<std::wstring>{L"close", L"site null", L"released"}));
}

TEST_F(AddonLoadingTest, TheLoadAndNavigationTimeOfEachAddOnAreMeasured) {
  TestAddon helper(TestAddon::kHelper);
  TestAddon band(TestAddon::kBand);
  ASSERT_TRUE(helper.IsRegistered() && band.IsRegistered());
  helper.SetDelays(80, 15);
  band.SetDelays(50, 0);
  // A helper whose class is not there: its failure is measured and reported,
  // and the tab goes on without it.
  const std::wstring missing = L"{D9181EB8-4EEC-41FE-B2F1-95A6021743E3}";
  ASSERT_TRUE(CreateKey(HKEY_LOCAL_MACHINE, kHelpersKey + missing));
  Page(L"inner.html", "<p>inner</p>");
  BrowserSession* session = Start(Page(L"framed.html", "<p>top</p><iframe src='inner.html'></iframe>"));
  DeleteTree(HKEY_LOCAL_MACHINE, kHelpersKey + missing);
  ASSERT_TRUE(session);
  const DWORD tab = session->Tabs().at(0);
  const DWORD process = session->TabProcess(tab);

  const std::vector<AddonTiming> timings = session->Timings(tab);
  const AddonTiming* measured = FindTiming(timings, helper.Clsid());
  ASSERT_TRUE(measured) << Narrow(session->LastError());
  EXPECT_EQ(measured->loadResult, S_OK);
  EXPECT_GE(measured->loadMicroseconds, 80000) << "creation and SetSite";
  EXPECT_LT(measured->loadMicroseconds, 80000 + 2000000);
  const size_t events = EventsOfPageLoad(helper.OfProcess(process), 1);
  EXPECT_GE(events, 5u);
  EXPECT_GE(measured->navigationMicroseconds, static_cast<long long>(events) * 15000 * 9 / 10);
  EXPECT_LT(measured->navigationMicroseconds, static_cast<long long>(events) * 15000 + 1000000);
  const AddonTiming* failed = FindTiming(timings, missing);
  ASSERT_TRUE(failed);
  EXPECT_EQ(failed->loadResult, REGDB_E_CLASSNOTREG);
  EXPECT_EQ(failed->navigationMicroseconds, 0);

  const AddonTiming* toolbar = FindTiming(timings, band.Clsid());
  ASSERT_TRUE(toolbar);
  EXPECT_GE(toolbar->loadMicroseconds, 50000);

  // The next page load replaces the figure: a page without frames takes fewer events.
  ASSERT_TRUE(session->Navigate(tab, Page(L"plain.html", "<p>plain</p>"))) << Narrow(session->LastError());
  const std::vector<AddonTiming> later = session->Timings(tab);
  const AddonTiming* again = FindTiming(later, helper.Clsid());
  ASSERT_TRUE(again);
  const size_t plainEvents = EventsOfPageLoad(helper.OfProcess(process), 2);
  EXPECT_LT(plainEvents, events);
  EXPECT_GE(again->navigationMicroseconds, static_cast<long long>(plainEvents) * 15000 * 9 / 10);
  EXPECT_LT(again->navigationMicroseconds, static_cast<long long>(plainEvents) * 15000 + 1000000);
}

}  // namespace
}  // namespace tessary::test
