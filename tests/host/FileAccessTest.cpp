// The background page's file and network methods: reading text files of the
// customization folder, the extension's URL, and HTTP request objects used by
// real script against a server on 127.0.0.1.
#include "FileAccess.h"

#include <gtest/gtest.h>

#include "Bstr.h"
#include "ComPtrAdopt.h"
#include "Log.h"
#include "ScriptEngine.h"
#include "TestEnvironment.h"
#include "TestHttpServer.h"
#include "UniqueHandle.h"
#include "XmlHttpRequest.h"

namespace tessary::host {
namespace {

class ReadCustomizationFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    const std::wstring top = test::MakeTempFolder(L"files");
    ASSERT_TRUE(log_.Create(top));
    logPath_ = top + L"log.txt";
    folder_ = top + L"customization\\";
    ASSERT_TRUE(::CreateDirectoryW(folder_.c_str(), nullptr));
    ASSERT_TRUE(::CreateDirectoryW((folder_ + L"js").c_str(), nullptr));
    ASSERT_TRUE(test::WriteFileBytes(top + L"secret.txt", "outside"));
  }
  void Write(const std::wstring& name, const std::string& bytes) {
    ASSERT_TRUE(test::WriteFileBytes(folder_ + name, bytes));
  }
  // The text read, or "<null>".
  std::wstring Read(const wchar_t* path) {
    Bstr result = Bstr::Attach(ReadCustomizationFile(folder_, path ? Bstr(path).Detach() : nullptr, log_));
    return result.Get() ? std::wstring(result.View()) : L"<null>";
  }
  std::vector<std::string> Lines() { return test::ReadLines(logPath_); }
  bool Logged(const std::string& line) { return test::HasLine(logPath_, line); }

  Log log_;
  std::wstring logPath_;
  std::wstring folder_;
};

TEST_F(ReadCustomizationFileTest, ReadsUtf8WithOrWithoutByteOrderMark) {
  Write(L"js\\a.txt", "caf\xC3\xA9 \xE2\x82\xAC");
  Write(L"bom.txt", "\xEF\xBB\xBF" "caf\xC3\xA9 \xE2\x82\xAC");
  EXPECT_EQ(Read(L"js/a.txt"), L"caf\u00e9 \u20ac");
  EXPECT_EQ(Read(L"/js/a.txt"), L"caf\u00e9 \u20ac");
  EXPECT_EQ(Read(L"\\js\\a.txt"), L"caf\u00e9 \u20ac");
  EXPECT_EQ(Read(L"bom.txt"), L"caf\u00e9 \u20ac");
}

TEST_F(ReadCustomizationFileTest, StopsAtAZeroByteAndRejectsInvalidUtf8Silently) {
  Write(L"zero.txt", std::string("before\0after", 12));
  Write(L"invalid.txt", "ok \xC3\x28 not");
  EXPECT_EQ(Read(L"zero.txt"), L"before");
  EXPECT_EQ(Read(L"invalid.txt"), L"<null>");
  EXPECT_EQ(Lines().size(), 2u) << "only the log's header";
}

TEST_F(ReadCustomizationFileTest, RefusesEmptyAndEscapingPaths) {
  Write(L"a..b.txt", "dots");
  EXPECT_EQ(Read(L""), L"<null>");
  EXPECT_EQ(Read(nullptr), L"<null>");
  EXPECT_TRUE(Logged("[ERROR]: getTextFile: Empty path!"));
  EXPECT_EQ(Read(L"../secret.txt"), L"<null>");
  EXPECT_TRUE(Logged("[ERROR]: getTextFile: path restricted ../secret.txt"));
  EXPECT_EQ(Read(L"a..b.txt"), L"<null>");
  EXPECT_TRUE(Logged("[ERROR]: getTextFile: path restricted a..b.txt"));
}

TEST_F(ReadCustomizationFileTest, LogsMissingAndEmptyFilesWithTheSystemsReason) {
  Write(L"empty.txt", "");
  EXPECT_EQ(Read(L"missing.txt"), L"<null>");
  EXPECT_EQ(Read(L"empty.txt"), L"<null>");
  const auto lines = Lines();
  auto at = std::find(lines.begin(), lines.end(), "[ERROR]: CreateFileW" + test::Narrow(folder_) + "\\missing.txt");
  ASSERT_NE(at, lines.end());
  ASSERT_NE(at + 1, lines.end());
  EXPECT_EQ((at + 1)->rfind("[ERROR]: WINAPI: ", 0), 0u);
  EXPECT_NE((at + 1)->find("ile not found"), std::string::npos) << *(at + 1);
  at = std::find(lines.begin(), lines.end(), "[ERROR]: ReadFile" + test::Narrow(folder_) + "\\empty.txt");
  EXPECT_NE(at, lines.end());
}

// A file far beyond any template is refused before it is read, so that it
// cannot take the background page's memory.
TEST_F(ReadCustomizationFileTest, RefusesAFileAboveTheLimitBeforeReadingIt) {
  const std::wstring path = folder_ + L"huge.txt";
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
  ASSERT_TRUE(file.IsValid());
  LARGE_INTEGER size;
  size.QuadPart = 16 * 1024 * 1024 + 1;
  ASSERT_TRUE(::SetFilePointerEx(file.Get(), size, nullptr, FILE_BEGIN) && ::SetEndOfFile(file.Get()));
  file.Reset();
  Write(L"limit.txt", std::string(16 * 1024 * 1024 - 1, 'x') + "!");
  EXPECT_EQ(Read(L"huge.txt"), L"<null>");
  EXPECT_TRUE(Logged("[ERROR]: getTextFile: file too large (over 16777216 bytes) " + test::Narrow(folder_) + "\\huge.txt"));
  EXPECT_EQ(Read(L"limit.txt").size(), 16u * 1024 * 1024);
}

TEST(ExtensionUrl, IsAFileUrlWithForwardSlashes) {
  Bstr url = Bstr::Attach(ExtensionUrl(L"C:\\Apps\\X\\"));
  EXPECT_EQ(url.View(), L"file:///C:/Apps/X/");
  Bstr spaces = Bstr::Attach(ExtensionUrl(L"C:\\My Apps\\#1\\"));
  EXPECT_EQ(spaces.View(), L"file:///C:/My Apps/#1/");
  EXPECT_EQ(ExtensionUrl(L""), nullptr);
}

TEST(XmlHttpRequest, FetchesFromAServerAndIsNewEachTime) {
  test::TestHttpServer server;
  ASSERT_TRUE(server.IsListening());
  server.Serve("/doc.xml", "<doc>fetched</doc>", "text/xml");
  Microsoft::WRL::ComPtr<IDispatch> first = Adopt(NewXmlHttpRequest());
  Microsoft::WRL::ComPtr<IDispatch> second = Adopt(NewXmlHttpRequest());
  ASSERT_TRUE(first);
  ASSERT_TRUE(second);
  EXPECT_NE(first.Get(), second.Get());

  test::ScriptEngine engine;
  ASSERT_EQ(engine.AddObject(L"request", first.Get()), S_OK);
  ASSERT_EQ(engine.Run(L"request.open('GET', '" + server.Url("/doc.xml") + L"', false); request.send();"), S_OK)
      << test::Narrow(engine.LastError());
  EXPECT_EQ(engine.EvalString(L"request.status"), L"200");
  EXPECT_EQ(engine.EvalString(L"request.responseText"), L"<doc>fetched</doc>");
  EXPECT_EQ(server.Requests(), 1);
}

}  // namespace
}  // namespace tessary::host
