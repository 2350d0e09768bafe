#include "Log.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "TestEnvironment.h"
#include "UniqueHandle.h"

namespace tessary::host {
namespace {

using test::ReadFileBytes;
using test::ReadLines;

TEST(Log, StartsWithHeaderAndEmptyLine) {
  const std::wstring folder = test::MakeTempFolder(L"log");
  Log log;
  ASSERT_TRUE(log.Create(folder));
  log.Trace() << "after";
  const auto lines = ReadLines(folder + L"log.txt");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("Log file created ", 0), 0u) << lines[0];
  // A date and a time follow, without an AM/PM marker.
  EXPECT_GT(lines[0].size(), std::string("Log file created ").size() + 6);
  EXPECT_EQ(lines[0].find("AM"), std::string::npos);
  EXPECT_EQ(lines[0].find("PM"), std::string::npos);
  EXPECT_EQ(lines[1], "");
  EXPECT_EQ(lines[2], "after");
}

TEST(Log, WritesItemsAsSpecified) {
  const std::wstring folder = test::MakeTempFolder(L"log");
  Log log;
  ASSERT_TRUE(log.Create(folder));
  log.Error() << "code=" << static_cast<HRESULT>(E_FAIL);
  log.Warning() << "w" << 42;
  log.Info() << "i";
  log.Trace() << L"caf\u00e9 \u0141\u20ac";
  log.Trace() << "null:" << static_cast<const wchar_t*>(nullptr);
  const auto lines = ReadLines(folder + L"log.txt");
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[2], "[ERROR]: code=-2147467259");
  EXPECT_EQ(lines[3], "[WARNING]: w42");
  EXPECT_EQ(lines[4], "[INFO]: i");
  // Each UTF-16 unit keeps its low byte: U+00E9 -> E9, U+0141 -> 41, U+20AC -> AC.
  EXPECT_EQ(lines[5], "caf\xE9 A\xAC");
  EXPECT_EQ(lines[6], "null:empty");
  // Text mode: every line ends with CR LF, nothing else.
  const std::string bytes = ReadFileBytes(folder + L"log.txt");
  EXPECT_EQ(bytes.substr(bytes.size() - 2), "\r\n");
  EXPECT_EQ(bytes.find("\n\n"), std::string::npos);
}

TEST(Log, TruncatesAtEachCreation) {
  const std::wstring folder = test::MakeTempFolder(L"log");
  {
    Log first;
    ASSERT_TRUE(first.Create(folder));
    first.Trace() << "first run";
  }
  Log second;
  ASSERT_TRUE(second.Create(folder));
  second.Trace() << "second run";
  const auto lines = ReadLines(folder + L"log.txt");
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("Log file created ", 0), 0u);
  EXPECT_EQ(lines[2], "second run");
}

TEST(Log, StaysSilentWhenTheFileCannotBeOpened) {
  const std::wstring folder = test::MakeTempFolder(L"log");
  const std::wstring path = folder + L"log.txt";
  ASSERT_TRUE(test::WriteFileBytes(path, "held by someone else"));
  {
    // Another program holds the file without sharing it.
    UniqueHandle holder(::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(holder.IsValid());
    Log log;
    EXPECT_FALSE(log.Create(folder));
    EXPECT_FALSE(log.IsOpen());
    log.Error() << "dropped";
  }
  EXPECT_EQ(ReadFileBytes(path), "held by someone else");

  Log missing;
  EXPECT_FALSE(missing.Create(folder + L"no such folder\\"));
  missing.Trace() << "dropped too";
}

TEST(Log, OtherProgramsMayReadWhileItIsOpen) {
  const std::wstring folder = test::MakeTempFolder(L"log");
  Log log;
  ASSERT_TRUE(log.Create(folder));
  log.Trace() << "visible";
  UniqueHandle reader(::CreateFileW((folder + L"log.txt").c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                    nullptr, OPEN_EXISTING, 0, nullptr));
  EXPECT_TRUE(reader.IsValid());
  EXPECT_TRUE(test::HasLine(folder + L"log.txt", "visible"));
}

TEST(Log, LinesFromManyThreadsNeverInterleave) {
  const std::wstring folder = test::MakeTempFolder(L"log");
  Log log;
  ASSERT_TRUE(log.Create(folder));
  constexpr int kThreads = 8;
  constexpr int kLines = 300;
  constexpr int kItems = 40;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&log, t] {
      for (int i = 0; i < kLines; ++i) {
        LogLine line = log.Trace();
        line << "T" << t << ":";
        for (int k = 0; k < kItems; ++k) line << static_cast<char>('a' + t) << L"";
      }
    });
  }
  for (auto& thread : threads) thread.join();

  const auto lines = ReadLines(folder + L"log.txt");
  ASSERT_EQ(lines.size(), 2u + kThreads * kLines);
  std::vector<int> perThread(kThreads);
  for (size_t i = 2; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    ASSERT_GE(line.size(), 3u);
    const int t = line[1] - '0';
    ASSERT_TRUE(t >= 0 && t < kThreads) << line;
    EXPECT_EQ(line, "T" + std::to_string(t) + ":" + std::string(kItems, static_cast<char>('a' + t)));
    ++perThread[t];
  }
  for (int count : perThread) EXPECT_EQ(count, kLines);
}

}  // namespace
}  // namespace tessary::host
