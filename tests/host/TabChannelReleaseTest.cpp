// Tabs connect, talk and disconnect many times a day (once per page load), so
// the host must hold nothing of a tab's channel after its disconnect, whatever
// the background page does with the channel's object. The tabs here are COM
// clients of this test program, each page load one channel object of its own.
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include <wrl/client.h>

#include "Bstr.h"
#include "ChildProcess.h"
#include "HostRegistration.h"
#include "RecordingChannel.h"
#include "Tessary.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

using Microsoft::WRL::ComPtr;

bool Ready(IBGC* bgc) {
  return PumpMessagesUntil([&] {
    int state = 0;
    bgc->getState(&state);
    return state == 1;
  }, 20000);
}

struct Background {
  const char* name;
  // null: the test extension's page, which keeps each channel until its
  // disconnect and answers "echo|" messages through it.
  const char* page;
};

const Background kBackgrounds[] = {
    {"answering", nullptr},
    {"without handlers", "<script>function main(extension) {}</script>"},
    {"keeping every channel",
     "<script>var all = []; function main(extension) {"
     " extension.setOnConnect(function (tabId, channel) { all.push(channel); });"
     " extension.setOnDisconnect(function (tabId, channel) { all.push(channel); });"
     " extension.setOnMessage(function (msg, tabId) { all[all.length - 1].send(msg); }); }</script>"},
};

TEST(TabChannelRelease, NoChannelIsHeldAfterItsDisconnect) {
  const int clients = LoadSize(2, 4);
  const int rounds = LoadSize(20, 500);
  for (const Background& background : kBackgrounds) {
    SCOPED_TRACE(background.name);
    ASSERT_TRUE(WaitForNoHost(15000));
    std::unique_ptr<TemporaryExtension> extension;
    if (background.page) {
      extension = std::make_unique<TemporaryExtension>(L"channels");
      ASSERT_TRUE(extension->Write(L"background.html", background.page));
      ASSERT_EQ(extension->Register(), 0u);
    }
    std::vector<ComPtr<IBGC>> hosts(clients);
    for (auto& host : hosts) {
      ASSERT_EQ(::CoCreateInstance(CLSID_CBGC, nullptr, CLSCTX_LOCAL_SERVER, IID_PPV_ARGS(&host)), S_OK);
    }
    ASSERT_TRUE(Ready(hosts[0].Get()));

    // A disconnect of a channel that never connected, as a page whose scripts
    // failed to start sends it.
    RecordingChannel never;
    const ULONG unheld = References(never.Dispatch());
    ASSERT_EQ(hosts[0]->disconnect(5, never.Dispatch()), S_OK);

    std::vector<std::unique_ptr<RecordingChannel>> pages;
    SIZE_T before = 0;
    for (int round = 0; round < rounds; ++round) {
      if (round == rounds / 10) before = WorkingSetOf(L"TessaryBG.exe");
      for (int client = 0; client < clients; ++client) {
        pages.push_back(std::make_unique<RecordingChannel>());
        IDispatch* channel = pages.back()->Dispatch();
        IBGC* host = hosts[client].Get();
        ASSERT_EQ(host->connect(client, channel, Bstr(L"http://127.0.0.1/").Get()), S_OK);
        ASSERT_EQ(host->dispatchMsg(Bstr(L"echo|" + std::to_wstring(round)).Get(), client), S_OK);
        ASSERT_EQ(host->disconnect(client, channel), S_OK);
      }
    }
    if (!background.page) {
      EXPECT_EQ(pages.back()->Last(), std::to_wstring(rounds - 1));
    }
    const auto released = [&] {
      if (References(never.Dispatch()) != unheld) return false;
      for (const auto& page : pages) {
        if (References(page->Dispatch()) != unheld) return false;
      }
      return true;
    };
    EXPECT_TRUE(PumpMessagesUntil(released, 5000));
    const SIZE_T after = WorkingSetOf(L"TessaryBG.exe");
    EXPECT_LE(after, before + before / 10) << "working set " << before << " before, " << after << " after";
    std::printf("%s: host working set %zu KB after %d connections, %zu KB after %d\n", background.name,
                before / 1024, clients * (rounds / 10), after / 1024, clients * rounds);
  }
}

}  // namespace
}  // namespace tessary::test
