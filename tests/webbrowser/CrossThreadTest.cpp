// The stand-in across threads: a page's window marshalled to another thread
// and called from there, and two controls on two threads at once.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "BrowserHost.h"
#include "TestEnvironment.h"
#include "Variant.h"

using Microsoft::WRL::ComPtr;

namespace tessary::test {
namespace {

class Apartment {
 public:
  Apartment() : ok_(SUCCEEDED(::CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED))) {}
  ~Apartment() {
    if (ok_) ::CoUninitialize();
  }
  bool ok() const { return ok_; }

 private:
  bool ok_;
};

TEST(CrossThreadTest, APageFunctionIsCalledFromAnotherThreadThroughTheMarshalledWindow) {
  BrowserHost host;
  ASSERT_TRUE(host.IsValid());
  const std::wstring folder = MakeTempFolder(L"threads");
  ASSERT_TRUE(host.Load(WriteTestPage(folder, L"page.html",
                                      "<script>var calls = 0;\n"
                                      "function add(a, b) { calls++; return a + b; }</script>")));
  IStream* stream = nullptr;
  ASSERT_EQ(::CoMarshalInterThreadInterfaceInStream(IID_IHTMLWindow2, host.PageWindow().Get(), &stream), S_OK);

  std::atomic<bool> done{false};
  HRESULT callResult = E_FAIL;
  LONG sum = 0;
  std::thread caller([&] {
    Apartment apartment;
    ComPtr<IHTMLWindow2> window;
    if (apartment.ok() && SUCCEEDED(::CoGetInterfaceAndReleaseStream(stream, IID_PPV_ARGS(&window)))) {
      Variant result;
      callResult = CallByName(window.Get(), L"add", {ArgI4(2), ArgI4(3)}, result.Get());
      if (SUCCEEDED(::VariantChangeType(result.Get(), result.Get(), 0, VT_I4))) sum = result->lVal;
    }
    // Releasing the proxy calls the page's thread too: before it stops pumping.
    window.Reset();
    done = true;
  });
  // The call runs here, on the page's thread, from this thread's message loop.
  const bool finished = BrowserHost::PumpUntil([&] { return done.load(); }, 10000);
  // A late call still needs this thread to pump before its thread can end.
  if (!finished) BrowserHost::PumpUntil([&] { return done.load(); }, 60000);
  caller.join();
  ASSERT_TRUE(finished);
  EXPECT_EQ(callResult, S_OK);
  EXPECT_EQ(sum, 5);
  ComPtr<IDispatch> script;
  host.Document()->get_Script(&script);
  EXPECT_EQ(GetStringByName(script.Get(), L"calls"), L"1");
}

TEST(CrossThreadTest, TwoControlsRunOnTwoThreadsAtOnce) {
  const std::wstring folder = MakeTempFolder(L"two");
  const std::string page =
      "<script>var ticks = 0; function main() { var id = setInterval(function () {"
      " if (++ticks == 5) clearInterval(id); }, 10); }</script>";
  const std::wstring path = WriteTestPage(folder, L"page.html", page);
  const auto run = [&path] {
    BrowserHost host;
    if (!host.IsValid() || !host.Load(path)) return std::wstring(L"not loaded");
    ComPtr<IDispatch> script;
    host.Document()->get_Script(&script);
    CallByName(script.Get(), L"main", {}, nullptr);
    BrowserHost::PumpUntil([&] { return GetStringByName(script.Get(), L"ticks") == L"5"; }, 5000);
    return GetStringByName(script.Get(), L"ticks");
  };
  std::wstring other;
  std::thread second([&] {
    Apartment apartment;
    other = apartment.ok() ? run() : L"no apartment";
  });
  const std::wstring mine = run();
  second.join();
  EXPECT_EQ(mine, L"5");
  EXPECT_EQ(other, L"5");
}

}  // namespace
}  // namespace tessary::test
