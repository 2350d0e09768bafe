#pragma once
// A LevelDB environment whose file writes and reads fail on demand, for testing
// how the storage reports real database errors. (Defined in a file compiled
// without RTTI, as LevelDB itself is.)
#include <leveldb/env.h>

namespace tessary::test {

struct FailureSwitch {
  bool failWrites = false;
  bool failReads = false;
  // The database's lock cannot be taken for a reason of its own (not another
  // process holding it).
  bool failLocks = false;
};

// Lives until the process ends.
leveldb::Env* NewFailingEnv(const FailureSwitch* failures);

}  // namespace tessary::test
