#pragma once
// The extension's key-value store: one LevelDB database per user, in the data
// directory's "db" folder. Keys and values are stored as their UTF-16LE code
// units plus one terminating 0x0000 unit; stored databases depend on that layout.
#include <windows.h>

#include <memory>
#include <string>
#include <string_view>

#include <leveldb/db.h>
#include <leveldb/env.h>

#include "Bstr.h"

namespace tessary::host {

class Log;

class Storage {
 public:
  Storage();
  ~Storage();

  // Opens dataDirectory + "db"; failures are logged as "levelDB init failed: ".
  // The environment is LevelDB's own unless a test brings one.
  bool Open(const std::wstring& dataDirectory, Log& log, leveldb::Env* env = leveldb::Env::Default());
  // Closes the database so that another process may open it.
  void Close();
  bool IsOpen() const { return db_ != nullptr; }

  leveldb::Status Put(std::wstring_view key, std::wstring_view value);
  // A value that was never stored reads as NotFound.
  leveldb::Status Get(std::wstring_view key, Bstr* value);
  leveldb::Status Delete(std::wstring_view key);

  static std::string Encode(std::wstring_view text);
  // The code units up to the first 0x0000; a null string when there are none.
  static Bstr Decode(std::string_view bytes);

 private:
  static void EncodeInto(std::wstring_view text, std::string* bytes);

  std::unique_ptr<leveldb::DB> db_;
  // Reused for every call: the main thread is the only caller.
  std::string key_;
  std::string value_;
};

}  // namespace tessary::host
