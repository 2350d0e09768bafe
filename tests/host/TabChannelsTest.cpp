// The background page's view of tab channels: one local object per channel,
// which asks the channel for a member id once and forwards every call, and
// which the host holds only while the tab is connected.
#include "TabChannels.h"

#include <gtest/gtest.h>

#include "Bstr.h"
#include "ComObject.h"
#include "RecordingChannel.h"
#include "ScriptEngine.h"
#include "TestEnvironment.h"

namespace tessary::host {
namespace {

using Microsoft::WRL::ComPtr;
using test::References;

// Counts the name lookups that reach the channel itself; answers calls with
// `failure` once it is set.
class CountingChannel : public ComObjectRoot, public IDispatch {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {QITABENT(CountingChannel, IDispatch), {}};
    return interfaces;
  }
  explicit CountingChannel(IDispatch* inner) : inner_(inner) {}
  int lookups = 0;
  HRESULT failure = S_OK;

  IFACEMETHODIMP GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
  IFACEMETHODIMP GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return inner_->GetTypeInfo(i, l, t); }
  IFACEMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    ++lookups;
    return inner_->GetIDsOfNames(riid, names, count, lcid, ids);
  }
  IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override {
    if (FAILED(failure)) return failure;
    return inner_->Invoke(id, riid, lcid, flags, params, result, exception, argError);
  }

 private:
  IDispatch* inner_;
};

TEST(TabChannels, GiveOneObjectPerChannelThatAsksForIdsOnce) {
  test::RecordingChannel recording;
  ComPtr<CountingChannel> channel = MakeComObject<CountingChannel>(recording.Dispatch());
  test::RecordingChannel otherRecording;
  TabChannels channels;

  ComPtr<IDispatch> first = channels.For(5, channel.Get());
  EXPECT_EQ(channels.For(5, channel.Get()).Get(), first.Get());
  EXPECT_NE(channels.For(6, otherRecording.Dispatch()).Get(), first.Get());
  EXPECT_EQ(channels.For(7, nullptr).Get(), nullptr);

  test::ScriptEngine engine;
  ASSERT_EQ(engine.AddObject(L"channel", first.Get()), S_OK);
  ASSERT_EQ(engine.Run(L"channel.send('one'); channel.send('two'); channel.send('');"), S_OK)
      << test::Narrow(engine.LastError());
  EXPECT_EQ(recording.Received(), (std::vector<std::wstring>{L"one", L"two", L""}));
  EXPECT_EQ(channel->lookups, 1);
  EXPECT_NE(engine.Run(L"channel.nothing('x');"), S_OK);
}

// The page keeps its object; the host lets go of the tab's channel all the
// same, and a later connect of the same channel gets a new object.
TEST(TabChannels, LetGoOfAChannelAtItsDisconnect) {
  test::RecordingChannel recording;
  ComPtr<CountingChannel> channel = MakeComObject<CountingChannel>(recording.Dispatch());
  const ULONG unheld = References(channel.Get());
  TabChannels channels;
  ComPtr<IDispatch> kept = channels.For(5, channel.Get());
  test::ScriptEngine engine;
  ASSERT_EQ(engine.AddObject(L"channel", kept.Get()), S_OK);

  channels.Forget(channel.Get());
  EXPECT_EQ(channels.Count(), 0u);
  EXPECT_EQ(References(channel.Get()), unheld);
  EXPECT_NE(engine.Run(L"channel.send('after');"), S_OK);
  EXPECT_TRUE(recording.Received().empty());
  EXPECT_NE(channels.For(5, channel.Get()).Get(), kept.Get());
}

TEST(TabChannels, ReportAChannelWhoseTabIsGoneOnceAndLetGoOfIt) {
  struct Case {
    HRESULT failure;
    bool gone;
  };
  const Case cases[] = {
      {RPC_E_DISCONNECTED, true},
      {HRESULT_FROM_WIN32(RPC_S_SERVER_UNAVAILABLE), true},
      {RPC_E_SERVER_DIED, true},
      {RPC_E_SERVER_DIED_DNE, true},
      {DISP_E_EXCEPTION, false},
      {E_FAIL, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.failure);
    test::RecordingChannel recording;
    ComPtr<CountingChannel> channel = MakeComObject<CountingChannel>(recording.Dispatch());
    const ULONG unheld = References(channel.Get());
    TabChannels channels;
    std::vector<std::pair<int, IDispatch*>> lost;
    channels.OnLost([&](int tabId, IDispatch* object, HRESULT failure) {
      EXPECT_EQ(failure, c.failure);
      lost.emplace_back(tabId, object);
    });
    ComPtr<IDispatch> object = channels.For(12, channel.Get());
    test::ScriptEngine engine;
    ASSERT_EQ(engine.AddObject(L"channel", object.Get()), S_OK);
    channel->failure = c.failure;

    EXPECT_NE(engine.Run(L"channel.send('a');"), S_OK);
    EXPECT_NE(engine.Run(L"channel.send('b');"), S_OK);
    if (c.gone) {
      ASSERT_EQ(lost.size(), 1u);
      EXPECT_EQ(lost[0].first, 12);
      EXPECT_EQ(lost[0].second, object.Get());
      EXPECT_EQ(channels.Count(), 0u);
      EXPECT_EQ(References(channel.Get()), unheld);
    } else {
      EXPECT_TRUE(lost.empty());
      EXPECT_EQ(channels.Count(), 1u);
    }
  }
}

}  // namespace
}  // namespace tessary::host
