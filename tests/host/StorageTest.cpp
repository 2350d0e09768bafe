// The extension's storage on a real LevelDB database in a temporary folder, and
// the script methods over it driven by the script engine.
#include "Storage.h"

#include <gtest/gtest.h>

#include "Bstr.h"
#include "FailingEnv.h"
#include "Log.h"
#include "ScriptEngine.h"
#include "StorageApi.h"
#include "TestEnvironment.h"
#include "Text.h"
#include "Variant.h"

namespace tessary::host {
namespace {

using test::ScriptEngine;

std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes += static_cast<char>(v);
  return bytes;
}

TEST(StorageFormat, IsUtf16LittleEndianWithATerminatingZero) {
  EXPECT_EQ(Storage::Encode(L"ab"), Bytes({0x61, 0, 0x62, 0, 0, 0}));
  EXPECT_EQ(Storage::Encode(L""), Bytes({0, 0}));
  EXPECT_EQ(Storage::Encode(L"\u20AC"), Bytes({0xAC, 0x20, 0, 0}));
  EXPECT_EQ(Storage::Decode(Bytes({0x61, 0, 0x62, 0, 0, 0})).View(), L"ab");
  EXPECT_EQ(Storage::Decode(Bytes({0x61, 0, 0, 0, 0x62, 0, 0, 0})).View(), L"a");
  EXPECT_EQ(Storage::Decode(Bytes({0, 0})).Get(), nullptr);
  EXPECT_EQ(Storage::Decode("").Get(), nullptr);
}

class StorageTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::MakeTempFolder(L"storage");
    ASSERT_TRUE(log_.Create(folder_));
    ASSERT_TRUE(storage_.Open(folder_, log_, env_));
  }
  bool Logged(const std::string& prefix) { return test::CountLinesStartingWith(folder_ + L"log.txt", prefix) > 0; }
  std::wstring Read(const std::wstring& key) {
    Bstr value;
    storage_.Get(key, &value);
    return value.Get() ? std::wstring(value.View()) : L"<null>";
  }

  std::wstring folder_;
  Log log_;
  test::FailureSwitch failures_;
  leveldb::Env* env_ = test::NewFailingEnv(&failures_);
  Storage storage_;
};

TEST_F(StorageTest, StoresReadsAndDeletes) {
  EXPECT_TRUE(storage_.Put(L"Key", L"upper").ok());
  EXPECT_TRUE(storage_.Put(L"key", L"lower").ok());
  EXPECT_TRUE(storage_.Put(L"empty", L"").ok());
  EXPECT_TRUE(storage_.Put(L"with zero", std::wstring(L"ab\0cd", 5)).ok());
  EXPECT_EQ(Read(L"Key"), L"upper");
  EXPECT_EQ(Read(L"key"), L"lower");
  EXPECT_EQ(Read(L"empty"), L"<null>");
  EXPECT_EQ(Read(L"with zero"), L"ab");
  EXPECT_EQ(Read(L"never set"), L"<null>");
  EXPECT_TRUE(storage_.Delete(L"key").ok());
  EXPECT_EQ(Read(L"key"), L"<null>");
  EXPECT_EQ(Read(L"Key"), L"upper");
  EXPECT_TRUE(storage_.Delete(L"never set").ok());
}

TEST_F(StorageTest, KeepsTheBytesOnDisk) {
  ASSERT_TRUE(storage_.Put(L"ab", std::wstring(L"x\0y", 3)).ok());
  storage_.Close();
  leveldb::DB* raw = nullptr;
  std::string path;
  ASSERT_TRUE(ToAnsi(folder_ + L"db", &path));
  ASSERT_TRUE(leveldb::DB::Open(leveldb::Options(), path, &raw).ok());
  std::unique_ptr<leveldb::DB> db(raw);
  std::unique_ptr<leveldb::Iterator> it(db->NewIterator(leveldb::ReadOptions()));
  it->SeekToFirst();
  ASSERT_TRUE(it->Valid());
  EXPECT_EQ(it->key().ToString(), Bytes({0x61, 0, 0x62, 0, 0, 0}));
  EXPECT_EQ(it->value().ToString(), Bytes({'x', 0, 0, 0, 'y', 0, 0, 0}));
  it->Next();
  EXPECT_FALSE(it->Valid());
}

// The script methods, as the background page calls them.
class StorageApiTest : public StorageTest {
 protected:
  void SetUp() override {
    StorageTest::SetUp();
    ASSERT_EQ(engine_.Run(L"var got = [];"
                          L"function cb(v) { got.push(typeof v + ':' + v); }"),
              S_OK);
    ASSERT_EQ(engine_.Eval(L"cb", callback_.Get()), S_OK);
  }
  std::wstring Got() { return engine_.EvalString(L"got.join(',')"); }

  ScriptEngine engine_;
  Variant callback_;
};

TEST_F(StorageApiTest, CallsBackSynchronously) {
  IDispatch* cb = callback_->pdispVal;
  ItemSet(storage_, log_, Bstr(L"k").Get(), Bstr(L"v\u00e9").Get(), cb);
  ItemGet(storage_, log_, Bstr(L"k").Get(), cb);
  ItemGet(storage_, log_, Bstr(L"missing").Get(), cb);
  ItemDelete(storage_, log_, Bstr(L"k").Get());
  ItemGet(storage_, log_, Bstr(L"k").Get(), cb);
  // A null string reaches the script as an empty string.
  EXPECT_EQ(Got(), L"boolean:true,string:v\u00e9,string:,string:");
  EXPECT_FALSE(Logged("[ERROR]"));
}

TEST_F(StorageApiTest, AFailedWriteCallsBackWithFalseAndIsLogged) {
  failures_.failWrites = true;
  ItemSet(storage_, log_, Bstr(L"k").Get(), Bstr(L"v").Get(), callback_->pdispVal);
  EXPECT_EQ(Got(), L"boolean:false");
  EXPECT_TRUE(Logged("[ERROR]: itemSet failed: IO error"));
}

TEST_F(StorageApiTest, AFailedReadIsLoggedButAMissingKeyIsNot) {
  ASSERT_TRUE(storage_.Put(L"k", L"v").ok());
  storage_.Close();  // reopening moves the value into a table file, read through the environment
  ASSERT_TRUE(storage_.Open(folder_, log_, env_));
  failures_.failReads = true;
  ItemGet(storage_, log_, Bstr(L"k").Get(), callback_->pdispVal);
  EXPECT_EQ(Got(), L"string:");
  EXPECT_TRUE(Logged("[ERROR]: itemGet failed: "));
}

TEST(StorageOpen, FailsWithALoggedLineWhenTheDatabaseCannotBeOpened) {
  const std::wstring folder = test::MakeTempFolder(L"storage");
  Log log;
  ASSERT_TRUE(log.Create(folder));
  // A data directory that has no name in the ANSI code page.
  Storage storage;
  EXPECT_FALSE(storage.Open(folder + L"\u0416\u05D0\\", log));
  EXPECT_FALSE(storage.IsOpen());
  // A database already held by someone else: waited for, then given up.
  Storage holder;
  ASSERT_TRUE(holder.Open(folder, log));
  const DWORD start = ::GetTickCount();
  EXPECT_FALSE(storage.Open(folder, log));
  EXPECT_GE(::GetTickCount() - start, 2500u);
  EXPECT_EQ(test::CountLinesStartingWith(folder + L"log.txt", "[ERROR]: levelDB init failed: "), 2);
  // Once it is free, it opens.
  holder.Close();
  EXPECT_TRUE(storage.Open(folder, log));
}

TEST(StorageOpen, WaitsForNoOtherFailure) {
  const std::wstring folder = test::MakeTempFolder(L"storage");
  Log log;
  ASSERT_TRUE(log.Create(folder));
  test::FailureSwitch failures;
  failures.failLocks = true;
  Storage storage;
  const DWORD start = ::GetTickCount();
  EXPECT_FALSE(storage.Open(folder, log, test::NewFailingEnv(&failures)));
  EXPECT_LT(::GetTickCount() - start, 1000u);
  EXPECT_EQ(test::CountLinesStartingWith(folder + L"log.txt", "[ERROR]: levelDB init failed: IO error: injected"), 1);
}

}  // namespace
}  // namespace tessary::host
