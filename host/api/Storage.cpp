#include "Storage.h"

#include "../program/Log.h"
#include "Text.h"

namespace tessary::host {
namespace {

// Another host process may still hold the database for the moment it takes to
// end (a new activation during its final pause starts a new process).
constexpr DWORD kLockWaitMs = 3000;
constexpr DWORD kLockRetryMs = 100;

leveldb::Status NotOpen() { return leveldb::Status::IOError("the database is not open"); }

}  // namespace

Storage::Storage() = default;
Storage::~Storage() = default;

bool Storage::Open(const std::wstring& dataDirectory, Log& log, leveldb::Env* env) {
  std::string path;
  if (!ToAnsi(dataDirectory, &path)) {
    log.Error() << "levelDB init failed: the data directory has no ANSI name: " << dataDirectory;
    return false;
  }
  path += "db";
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
    if (!status.IsIOError() || ::GetTickCount() - start >= kLockWaitMs) break;
    ::Sleep(kLockRetryMs);
  }
  log.Error() << "levelDB init failed: " << status.ToString();
  return false;
}

void Storage::Close() { db_.reset(); }

leveldb::Status Storage::Put(std::wstring_view key, std::wstring_view value) {
  if (!db_) return NotOpen();
  return db_->Put(leveldb::WriteOptions(), Encode(key), Encode(value));
}

leveldb::Status Storage::Get(std::wstring_view key, Bstr* value) {
  *value = Bstr();
  if (!db_) return NotOpen();
  std::string bytes;
  const leveldb::Status status = db_->Get(leveldb::ReadOptions(), Encode(key), &bytes);
  if (status.ok()) *value = Decode(bytes);
  return status;
}

leveldb::Status Storage::Delete(std::wstring_view key) {
  if (!db_) return NotOpen();
  return db_->Delete(leveldb::WriteOptions(), Encode(key));
}

std::string Storage::Encode(std::wstring_view text) {
  std::string bytes;
  bytes.reserve(text.size() * 2 + 2);
  for (wchar_t unit : text) {
    bytes += static_cast<char>(unit & 0xFF);
    bytes += static_cast<char>((unit >> 8) & 0xFF);
  }
  bytes.append(2, '\0');
  return bytes;
}

Bstr Storage::Decode(const std::string& bytes) {
  std::wstring text;
  for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
    const wchar_t unit = static_cast<wchar_t>(static_cast<unsigned char>(bytes[i]) |
                                              (static_cast<unsigned char>(bytes[i + 1]) << 8));
    if (unit == 0) break;
    text += unit;
  }
  return text.empty() ? Bstr() : Bstr(text);
}

}  // namespace tessary::host
