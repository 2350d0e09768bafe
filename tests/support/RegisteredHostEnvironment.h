#pragma once
// For test programs that talk to the host program over COM: it stays registered
// for the whole run of the program.
#include <gtest/gtest.h>

#include "HostRegistration.h"

namespace tessary::test {

class RegisteredHostEnvironment : public ::testing::Environment {
 public:
  void SetUp() override { ASSERT_EQ(RegisterHost(), 0u); }
  void TearDown() override { UnregisterHost(); }
};

}  // namespace tessary::test
