// The background page's view of tab channels: one local object per channel,
// which asks the channel for a member id once and forwards every call.
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

// Counts the name lookups that reach the channel itself.
class CountingChannel : public ComObjectRoot, public IDispatch {
 public:
  static const QITAB* Interfaces() {
    static const QITAB interfaces[] = {QITABENT(CountingChannel, IDispatch), {}};
    return interfaces;
  }
  explicit CountingChannel(IDispatch* inner) : inner_(inner) {}
  int lookups = 0;

  IFACEMETHODIMP GetTypeInfoCount(UINT* count) override { return inner_->GetTypeInfoCount(count); }
  IFACEMETHODIMP GetTypeInfo(UINT i, LCID l, ITypeInfo** t) override { return inner_->GetTypeInfo(i, l, t); }
  IFACEMETHODIMP GetIDsOfNames(REFIID riid, LPOLESTR* names, UINT count, LCID lcid, DISPID* ids) override {
    ++lookups;
    return inner_->GetIDsOfNames(riid, names, count, lcid, ids);
  }
  IFACEMETHODIMP Invoke(DISPID id, REFIID riid, LCID lcid, WORD flags, DISPPARAMS* params, VARIANT* result,
                        EXCEPINFO* exception, UINT* argError) override {
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

  ComPtr<IDispatch> first = channels.For(channel.Get());
  EXPECT_EQ(channels.For(channel.Get()).Get(), first.Get());
  EXPECT_NE(channels.For(otherRecording.Dispatch()).Get(), first.Get());
  EXPECT_EQ(channels.For(nullptr).Get(), nullptr);

  test::ScriptEngine engine;
  ASSERT_EQ(engine.AddObject(L"channel", first.Get()), S_OK);
  ASSERT_EQ(engine.Run(L"channel.send('one'); channel.send('two'); channel.send('');"), S_OK)
      << test::Narrow(engine.LastError());
  EXPECT_EQ(recording.Received(), (std::vector<std::wstring>{L"one", L"two", L""}));
  EXPECT_EQ(channel->lookups, 1);
  EXPECT_NE(engine.Run(L"channel.nothing('x');"), S_OK);

  // Once forgotten, the channel gets a new object; the old one still works.
  channels.Forget(channel.Get());
  EXPECT_NE(channels.For(channel.Get()).Get(), first.Get());
  ASSERT_EQ(engine.Run(L"channel.send('after');"), S_OK);
  EXPECT_EQ(recording.Last(), L"after");
}

}  // namespace
}  // namespace tessary::host
