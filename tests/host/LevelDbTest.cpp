// The database library as the host program links it: it must open, write and
// reopen a database under Wine, with Snappy compression really in.
#include <gtest/gtest.h>
#include <leveldb/db.h>
#include <leveldb/options.h>

#include <memory>

#include "TestEnvironment.h"
#include "Text.h"

namespace {

TEST(LevelDb, StoresAcrossReopen) {
  std::string path;
  ASSERT_TRUE(tessary::ToAnsi(tessary::test::MakeTempFolder(L"leveldb") + L"db", &path));
  leveldb::Options options;
  options.create_if_missing = true;
  ASSERT_EQ(options.compression, leveldb::kSnappyCompression);
  {
    leveldb::DB* raw = nullptr;
    ASSERT_TRUE(leveldb::DB::Open(options, path, &raw).ok());
    std::unique_ptr<leveldb::DB> db(raw);
    ASSERT_TRUE(db->Put(leveldb::WriteOptions(), "key", "value").ok());
  }
  leveldb::DB* raw = nullptr;
  ASSERT_TRUE(leveldb::DB::Open(options, path, &raw).ok());
  std::unique_ptr<leveldb::DB> db(raw);
  std::string value;
  ASSERT_TRUE(db->Get(leveldb::ReadOptions(), "key", &value).ok());
  EXPECT_EQ(value, "value");
}

TEST(LevelDb, CompressesTablesWithSnappy) {
  const std::wstring folder = tessary::test::MakeTempFolder(L"leveldb");
  leveldb::Options options;
  options.create_if_missing = true;
  std::string path;
  ASSERT_TRUE(tessary::ToAnsi(folder + L"db", &path));
  leveldb::DB* raw = nullptr;
  ASSERT_TRUE(leveldb::DB::Open(options, path, &raw).ok());
  std::unique_ptr<leveldb::DB> db(raw);
  const std::string repetitive(4096, 'z');
  for (int i = 0; i < 256; ++i) db->Put(leveldb::WriteOptions(), "k" + std::to_string(i), repetitive);
  db->CompactRange(nullptr, nullptr);

  // 1 MiB of repeated bytes must shrink to a small fraction in the tables.
  WIN32_FIND_DATAW data;
  HANDLE find = ::FindFirstFileW((folder + L"db\\*.ldb").c_str(), &data);
  ASSERT_NE(find, INVALID_HANDLE_VALUE);
  uint64_t total = 0;
  do {
    total += (static_cast<uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
  } while (::FindNextFileW(find, &data));
  ::FindClose(find);
  EXPECT_GT(total, 0u);
  EXPECT_LT(total, 256u * 4096 / 10);
}

}  // namespace
