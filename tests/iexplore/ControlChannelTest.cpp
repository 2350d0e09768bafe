// The stand-in's frame, tabs and pages as a test drives them through the
// control channel (BrowserSession): the windows Internet Explorer shows, tabs
// switched and closed, pages clicked, typed into and read, the mouse moved,
// and clear errors for what cannot be done.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>

#include "ChildProcess.h"
#include "StandInTest.h"
#include "TestAddon.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

// The "Internet Explorer_Server" windows below the frame, as programs look
// for the page of the tab in front.
std::vector<HWND> PageWindows(HWND frame) {
  std::vector<HWND> windows;
  ::EnumChildWindows(
      frame,
      [](HWND window, LPARAM found) {
        if (WindowClass(window) == L"Internet Explorer_Server")
          reinterpret_cast<std::vector<HWND>*>(found)->push_back(window);
        return TRUE;
      },
      reinterpret_cast<LPARAM>(&windows));
  return windows;
}

// The tab that shows the visible page, by the tab window it lies in; 0 for none.
DWORD VisiblePageTab(HWND frame) {
  for (HWND window : PageWindows(frame)) {
    if (!::IsWindowVisible(window)) continue;
    for (HWND above = window; above; above = ::GetAncestor(above, GA_PARENT)) {
      if (WindowClass(above) == L"TabWindowClass") return static_cast<DWORD>(reinterpret_cast<UINT_PTR>(above));
    }
  }
  return 0;
}

bool Contains(const std::wstring& text, const std::wstring& part) { return text.find(part) != std::wstring::npos; }

class ControlChannelTest : public StandInTest {};

TEST_F(ControlChannelTest, TheFrameShowsThePageOfTheTabInFrontOnly) {
  BrowserSession* session = Start(Page(L"first.html", "<p>first</p>"));
  ASSERT_TRUE(session);
  const DWORD first = session->Tabs().at(0);
  const DWORD second = session->OpenTab(Page(L"second.html", "<p>second</p>"));
  ASSERT_NE(second, 0u);
  const HWND frame = session->FrameWindow();
  EXPECT_EQ(WindowClass(frame), L"IEFrame");
  EXPECT_EQ(::GetAncestor(frame, GA_ROOT), frame) << "a top-level window";
  EXPECT_TRUE(::IsWindowVisible(frame));
  EXPECT_EQ(PageWindows(frame).size(), 2u) << "one page window per tab";
  EXPECT_EQ(session->FrontTab(), second) << "a new tab opens in front";
  EXPECT_EQ(VisiblePageTab(frame), second);

  ASSERT_TRUE(session->SwitchTab(first)) << Narrow(session->LastError());
  EXPECT_EQ(session->FrontTab(), first);
  EXPECT_EQ(VisiblePageTab(frame), first);
  const std::vector<HWND> pages = PageWindows(frame);
  EXPECT_EQ(std::count_if(pages.begin(), pages.end(), [](HWND w) { return ::IsWindowVisible(w) != FALSE; }), 1);
}

TEST_F(ControlChannelTest, ATabsPageIsTypedIntoClickedAndRead) {
  Page(L"next.html", "<p id='here'>next page</p>");
  const std::wstring page = Page(L"form.html",
                                 "<p id='out'>start</p><p id='keys'>0</p>"
                                 "<input id='name' value=''><textarea id='notes'></textarea>"
                                 "<button id='go' onclick=\"document.getElementById('out').innerText = "
                                 "'clicked ' + document.getElementById('name').value\">go</button>"
                                 "<a id='next' href='next.html'>next</a>"
                                 "<script>var keys = 0;\n"
                                 "document.getElementById('name').addEventListener('keyup', function () {\n"
                                 "  document.getElementById('keys').innerText = ++keys; });</script>");
  BrowserSession* session = Start(page);
  ASSERT_TRUE(session);
  const DWORD tab = session->Tabs().at(0);
  EXPECT_EQ(session->Url(tab), page);

  ASSERT_TRUE(session->Type(tab, L"name", L"Zo\u00eb")) << Narrow(session->LastError());
  EXPECT_EQ(session->Value(tab, L"name"), L"Zo\u00eb");
  EXPECT_EQ(session->Text(tab, L"keys"), L"3") << "a key event per character";
  const std::wstring awkward = L"tab\there, back\\slash\r\nnew line";
  ASSERT_TRUE(session->Type(tab, L"notes", awkward));
  EXPECT_EQ(session->Value(tab, L"notes"), awkward) << "the channel carries any text";
  ASSERT_TRUE(session->Click(tab, L"go")) << Narrow(session->LastError());
  EXPECT_EQ(session->Text(tab, L"out"), L"clicked Zo\u00eb");
  EXPECT_TRUE(Contains(session->Text(tab), L"clicked Zo\u00eb")) << "the whole page's text";

  const int completed = session->Completions(tab);
  ASSERT_TRUE(session->Click(tab, L"next")) << Narrow(session->LastError());
  ASSERT_TRUE(session->WaitForDocument(tab, completed + 1)) << Narrow(session->LastError());
  EXPECT_TRUE(Contains(session->Url(tab), L"next.html"));
  EXPECT_EQ(session->Text(tab, L"here"), L"next page");
}

TEST_F(ControlChannelTest, ClosedTabsEndTheirProcessesAndTheLastOneClosesTheFrame) {
  BrowserSession* session = Start(Page(L"first.html", "<p>first</p>"));
  ASSERT_TRUE(session);
  const DWORD first = session->Tabs().at(0);
  const DWORD second = session->OpenTab(Page(L"second.html", "<p>second</p>"));
  const DWORD third = session->OpenTab(Page(L"third.html", "<p>third</p>"));
  ASSERT_TRUE(second && third);
  ASSERT_TRUE(session->SwitchTab(second));
  const DWORD secondProcess = session->TabProcess(second);

  ASSERT_TRUE(session->CloseTab(second)) << Narrow(session->LastError());
  EXPECT_TRUE(WaitForProcessEnd(secondProcess, 10000));
  EXPECT_EQ(session->Tabs(), (std::vector<DWORD>{first, third}));
  EXPECT_EQ(session->FrontTab(), third) << "the tab that took the closed one's place";
  ASSERT_TRUE(session->CloseTab(third));
  ASSERT_TRUE(session->CloseTab(first));
  EXPECT_TRUE(WaitForProcessEnd(session->FrameProcessId(), 10000)) << "the frame closes with its last tab";
}

TEST_F(ControlChannelTest, WhatCannotBeDoneGetsAClearErrorAndTheStandInGoesOn) {
  BrowserSession* session = Start(Page(L"page.html", "<p id='p'>text</p>"));
  ASSERT_TRUE(session);
  const DWORD tab = session->Tabs().at(0);
  const auto error = [&](const ControlFields& request) {
    const ControlFields reply = session->Request(request, 10000);
    return reply.size() == 2 && reply[0] == L"error" ? reply[1] : L"<not an error>";
  };
  EXPECT_TRUE(Contains(error({L"fly"}), L"unknown command \"fly\""));
  EXPECT_TRUE(Contains(error({L"switch"}), L"usage: switch"));
  EXPECT_TRUE(Contains(error({L"open", L"about:blank", L"16"}), L"usage: open <address> [32|64]"));
  EXPECT_TRUE(Contains(error({L"click", L"4242424", L"p"}), L"no tab 4242424"));
  EXPECT_TRUE(Contains(error({L"text", L"tab"}), L"usage: text"));
  EXPECT_TRUE(Contains(error({L"wait", std::to_wstring(tab), L"9", L"300"}), L"within 300 ms"));

  EXPECT_FALSE(session->Click(tab, L"missing"));
  EXPECT_TRUE(Contains(session->LastError(), L"no element with id \"missing\"")) << Narrow(session->LastError());
  EXPECT_FALSE(session->Navigate(tab, folder_ + L"missing.html"));
  EXPECT_TRUE(Contains(session->LastError(), L"no such file")) << Narrow(session->LastError());
  EXPECT_FALSE(session->Navigate(tab, L"http://127.0.0.1:1/"));
  EXPECT_TRUE(Contains(session->LastError(), L"only files and about:blank")) << Narrow(session->LastError());

  const DWORD closed = session->OpenTab(Page(L"other.html", "<p>other</p>"));
  ASSERT_TRUE(closed && session->CloseTab(closed));
  EXPECT_EQ(session->Text(closed, L"p"), L"");
  EXPECT_TRUE(Contains(session->LastError(), L"no tab " + std::to_wstring(closed))) << Narrow(session->LastError());

  ASSERT_TRUE(session->Navigate(tab, Page(L"again.html", "<p id='p'>again</p>")));
  EXPECT_EQ(session->Text(tab, L"p"), L"again");
}

TEST_F(ControlChannelTest, TheMouseMovesOverAWindow) {
  TestAddon band(TestAddon::kBand);
  ASSERT_TRUE(band.IsRegistered());
  BrowserSession* session = Start(Page(L"page.html", "<p>page</p>"));
  ASSERT_TRUE(session);
  const DWORD tab = session->Tabs().at(0);
  const auto toolbars = session->Toolbars(tab);
  ASSERT_EQ(toolbars.size(), 1u);
  const HWND window = toolbars[0].second;
  ASSERT_TRUE(session->MoveMouse(window, 10, 5)) << Narrow(session->LastError());
  const std::vector<JournalEntry> moves = band.OfProcess(session->TabProcess(tab));
  ASSERT_FALSE(moves.empty());
  EXPECT_EQ(moves.back().what, L"mouse");
  EXPECT_EQ(moves.back().details, (std::vector<std::wstring>{L"10", L"5"}));
  POINT expected = {10, 5};
  ::ClientToScreen(window, &expected);
  POINT cursor = {};
  ::GetCursorPos(&cursor);
  EXPECT_EQ(cursor.x, expected.x);
  EXPECT_EQ(cursor.y, expected.y);
  EXPECT_FALSE(session->MoveMouse(nullptr, 1, 1));
}

}  // namespace
}  // namespace tessary::test
