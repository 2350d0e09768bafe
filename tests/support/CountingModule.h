#pragma once
// The COM module of a test program: counts locks so that tests can see what
// class factories and objects take and give back.
#include "ComModule.h"

namespace tessary::test {

class CountingModule final : public ComModule {
 public:
  void Lock() override { ++locks_; ++lockCalls_; }
  void Unlock() override { --locks_; }
  long Locks() const { return locks_; }
  long LockCalls() const { return lockCalls_; }
  static CountingModule& Get() { return static_cast<CountingModule&>(ComModule::Current()); }

 private:
  long locks_ = 0;
  long lockCalls_ = 0;
};

}  // namespace tessary::test
