#include "FailingEnv.h"

#include <memory>

namespace tessary::test {
namespace {

leveldb::Status Injected() { return leveldb::Status::IOError("injected failure"); }

class FailingWritableFile final : public leveldb::WritableFile {
 public:
  FailingWritableFile(leveldb::WritableFile* file, const FailureSwitch* failures) : file_(file), failures_(failures) {}
  leveldb::Status Append(const leveldb::Slice& data) override {
    return failures_->failWrites ? Injected() : file_->Append(data);
  }
  leveldb::Status Close() override { return file_->Close(); }
  leveldb::Status Flush() override { return failures_->failWrites ? Injected() : file_->Flush(); }
  leveldb::Status Sync() override { return failures_->failWrites ? Injected() : file_->Sync(); }

 private:
  std::unique_ptr<leveldb::WritableFile> file_;
  const FailureSwitch* failures_;
};

class FailingRandomAccessFile final : public leveldb::RandomAccessFile {
 public:
  FailingRandomAccessFile(leveldb::RandomAccessFile* file, const FailureSwitch* failures)
      : file_(file), failures_(failures) {}
  leveldb::Status Read(uint64_t offset, size_t n, leveldb::Slice* result, char* scratch) const override {
    return failures_->failReads ? Injected() : file_->Read(offset, n, result, scratch);
  }

 private:
  std::unique_ptr<leveldb::RandomAccessFile> file_;
  const FailureSwitch* failures_;
};

class FailingEnv final : public leveldb::EnvWrapper {
 public:
  explicit FailingEnv(const FailureSwitch* failures) : EnvWrapper(leveldb::Env::Default()), failures_(failures) {}
  leveldb::Status NewWritableFile(const std::string& name, leveldb::WritableFile** file) override {
    leveldb::Status status = target()->NewWritableFile(name, file);
    if (status.ok()) *file = new FailingWritableFile(*file, failures_);
    return status;
  }
  leveldb::Status LockFile(const std::string& name, leveldb::FileLock** lock) override {
    return failures_->failLocks ? Injected() : target()->LockFile(name, lock);
  }
  leveldb::Status NewRandomAccessFile(const std::string& name, leveldb::RandomAccessFile** file) override {
    leveldb::Status status = target()->NewRandomAccessFile(name, file);
    if (status.ok()) *file = new FailingRandomAccessFile(*file, failures_);
    return status;
  }

 private:
  const FailureSwitch* failures_;
};

}  // namespace

leveldb::Env* NewFailingEnv(const FailureSwitch* failures) { return new FailingEnv(failures); }

}  // namespace tessary::test
