// No exception leaves an entry point: a COM method's body gives a failure
// code, a window procedure's body the answer its fallback gives.
#include "ExceptionBarrier.h"

#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

namespace tessary {
namespace {

TEST(ExceptionBarrierTest, AnExceptionBecomesTheEntryPointsFailureAnswer) {
  const struct Case {
    const char* name;
    int throws;  // 0: returns 5, 1: bad_alloc, 2: another exception
    HRESULT method;
    LRESULT procedure;
  } kCases[] = {
      {"returns", 0, 5, 5},
      {"out of memory", 1, E_OUTOFMEMORY, 42},
      {"anything else", 2, E_UNEXPECTED, 42},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    const auto body = [&c]() -> int {
      if (c.throws == 1) throw std::bad_alloc();
      if (c.throws == 2) throw std::runtime_error("fault");
      return 5;
    };
    EXPECT_EQ(ExceptionBarrier([&] { return static_cast<HRESULT>(body()); }), c.method);
    int fallbacks = 0;
    EXPECT_EQ(MessageBarrier([&] { return static_cast<LRESULT>(body()); },
                             [&] {
                               ++fallbacks;
                               return LRESULT{42};
                             }),
              c.procedure);
    EXPECT_EQ(fallbacks, c.throws ? 1 : 0) << "the fallback answers only for a body that threw";
  }
}

}  // namespace
}  // namespace tessary
