#include "Storage.h"

#include "HostNames.h"
#include "Log.h"
#include "Text.h"
#include "UniqueHandle.h"

namespace tessary::host {
namespace {

// Another host process may still hold the database for the moment it takes to
// end (a new activation during its final pause starts a new process).
constexpr DWORD kLockWaitMs = 3000;
constexpr DWORD kLockRetryMs = 100;

leveldb::Status NotOpen() { return leveldb::Status::IOError("the database is not open"); }

// Whether another process has the database open: LevelDB holds its lock file
// open for writing, and locked, for as long as the database is open. Only that
// is worth waiting for; any other failure is there to stay.
bool HeldByAnotherProcess(const std::string& path) {
  const std::string lockFile = path + "\\LOCK";
  UniqueHandle file(::CreateFileA(lockFile.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  if (!file) return ::GetLastError() == ERROR_SHARING_VIOLATION;
  OVERLAPPED whole = {};
  if (!::LockFileEx(file.Get(), LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD, MAXDWORD, &whole)) {
    return ::GetLastError() == ERROR_LOCK_VIOLATION;
  }
  ::UnlockFileEx(file.Get(), 0, MAXDWORD, MAXDWORD, &whole);
  return false;
}

}  // namespace

Storage::Storage() = default;
Storage::~Storage() = default;

bool Storage::Open(const std::wstring& dataDirectory, Log& log, leveldb::Env* env) {
  std::string path;
  if (!ToAnsi(dataDirectory + kDatabaseFolder, &path)) {
    log.Error() << kLogDatabaseOpenFailed << "the data directory has no ANSI name: " << dataDirectory;
    return false;
  }
  leveldb::Options options;
  options.create_if_missing = true;
  options.env = env;
  leveldb::Status status;
  const DWORD start = ::GetTickCount();
  for (;;) {
    leveldb::DB* db = nullptr;
    status = leveldb::DB::Open(options, path, &db);
    if (status.ok()) {
      db_.reset(db);
      return true;
    }
    if (!status.IsIOError() || ::GetTickCount() - start >= kLockWaitMs || !HeldByAnotherProcess(path)) break;
    ::Sleep(kLockRetryMs);
  }
  log.Error() << kLogDatabaseOpenFailed << status.ToString();
  return false;
}

void Storage::Close() { db_.reset(); }

leveldb::Status Storage::Put(std::wstring_view key, std::wstring_view value) {
  if (!db_) return NotOpen();
  EncodeInto(key, &key_);
  EncodeInto(value, &value_);
  return db_->Put(leveldb::WriteOptions(), key_, value_);
}

leveldb::Status Storage::Get(std::wstring_view key, Bstr* value) {
  *value = Bstr();
  if (!db_) return NotOpen();
  EncodeInto(key, &key_);
  const leveldb::Status status = db_->Get(leveldb::ReadOptions(), key_, &value_);
  if (status.ok()) *value = Decode(value_);
  return status;
}

leveldb::Status Storage::Delete(std::wstring_view key) {
  if (!db_) return NotOpen();
  EncodeInto(key, &key_);
  return db_->Delete(leveldb::WriteOptions(), key_);
}

std::string Storage::Encode(std::wstring_view text) {
  std::string bytes;
  EncodeInto(text, &bytes);
  return bytes;
}

// Code units little-endian whatever the machine, then the terminating 0x0000.
void Storage::EncodeInto(std::wstring_view text, std::string* bytes) {
  bytes->resize(text.size() * 2 + 2);
  char* out = bytes->data();
  for (wchar_t unit : text) {
    *out++ = static_cast<char>(unit & 0xFF);
    *out++ = static_cast<char>((unit >> 8) & 0xFF);
  }
  out[0] = out[1] = '\0';
}

Bstr Storage::Decode(std::string_view bytes) {
  const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
  size_t length = 0;
  while (2 * length + 1 < bytes.size() && (data[2 * length] | data[2 * length + 1]) != 0) ++length;
  if (length == 0) return Bstr();
  Bstr text = Bstr::Attach(::SysAllocStringLen(nullptr, static_cast<UINT>(length)));
  if (!text.Get()) return Bstr();
  for (size_t i = 0; i < length; ++i) text.Get()[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
  return text;
}

}  // namespace tessary::host
