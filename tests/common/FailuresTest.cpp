// A failed HRESULT goes to the caller, or into the log with where it came
// from; a success, S_FALSE included, goes on without a word.
#include "Failures.h"

#include <gtest/gtest.h>

#include <string>

namespace tessary {
namespace {

struct Logged {
  std::string file;
  int line = 0;
  std::string call;
  HRESULT hr = S_OK;
  int count = 0;
};
Logged g_logged;

void Record(const char* file, int line, const char* call, HRESULT hr) {
  g_logged = {file, line, call, hr, g_logged.count + 1};
}

HRESULT Passes(HRESULT first, bool* reachedEnd) {
  RETURN_IF_FAILED(first);
  *reachedEnd = true;
  return S_OK;
}

HRESULT Fails(HRESULT hr) { return hr; }

TEST(FailuresTest, AFailureGoesToTheCallerOrIntoTheLogWithItsCallSite) {
  const struct Case {
    HRESULT hr;
    bool fails;
  } kCases[] = {{S_OK, false}, {S_FALSE, false}, {E_FAIL, true}, {RPC_E_DISCONNECTED, true}};
  SetFailureSink(&Record);
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.hr);
    bool reachedEnd = false;
    EXPECT_EQ(Passes(c.hr, &reachedEnd), c.fails ? c.hr : S_OK);
    EXPECT_EQ(reachedEnd, !c.fails);

    g_logged = {};
    const int line = __LINE__ + 1;
    EXPECT_EQ(LOG_IF_FAILED(Fails(c.hr)), c.hr) << "the result goes on unchanged";
    EXPECT_EQ(g_logged.count, c.fails ? 1 : 0);
    if (c.fails) {
      EXPECT_EQ(g_logged.file, "FailuresTest.cpp") << "the file's name, without its folders";
      EXPECT_EQ(g_logged.line, line);
      EXPECT_EQ(g_logged.call, "Fails(c.hr)");
      EXPECT_EQ(g_logged.hr, c.hr);
    }
  }
  SetFailureSink(nullptr);
}

}  // namespace
}  // namespace tessary
