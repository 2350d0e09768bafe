#include "Config.h"

#include <gtest/gtest.h>

#include "Log.h"
#include "TestEnvironment.h"
#include "Version.h"

namespace tessary::host {
namespace {

class ConfigTest : public ::testing::Test {
 protected:
  void SetUp() override {
    folder_ = test::MakeTempFolder(L"config");
    ASSERT_TRUE(log_.Create(folder_));
  }
  HRESULT ReadWith(const std::string& xml) {
    EXPECT_TRUE(test::WriteFileBytes(folder_ + L"config.xml", xml));
    return config_.Read(folder_, log_);
  }
  std::vector<std::string> LogLines() { return test::ReadLines(folder_ + L"log.txt"); }

  std::wstring folder_;
  Log log_;
  Config config_;
};

TEST_F(ConfigTest, ReadsVersionAndUpdateUrl) {
  EXPECT_EQ(ReadWith(R"(<?xml version="1.0"?><addon version="3.1.x.7" updateUrl="http://127.0.0.1/u.xml"><x/></addon>)"),
            S_OK);
  EXPECT_EQ(config_.VersionText(), L"3.1.x.7");
  EXPECT_EQ(config_.CurrentVersion().parts, (std::array<uint32_t, 4>{3, 1, 0, 7}));
  EXPECT_EQ(config_.UpdateUrl(), L"http://127.0.0.1/u.xml");

  EXPECT_EQ(ReadWith(R"(<addon updateUrl="u" version="3.1" other="y"/>)"), S_OK);
  EXPECT_EQ(config_.CurrentVersion().parts, (std::array<uint32_t, 4>{3, 1, 0, 0}));
}

TEST_F(ConfigTest, MissingPiecesGiveCodeOne) {
  EXPECT_EQ(config_.Read(folder_, log_), S_FALSE) << "no config.xml at all";
  EXPECT_EQ(ReadWith(R"(<settings version="1" updateUrl="u"/>)"), S_FALSE) << "wrong root";
  EXPECT_EQ(ReadWith(R"(<addon updateUrl="u"/>)"), S_FALSE) << "no version";
  EXPECT_EQ(ReadWith(R"(<addon version="1.0"/>)"), S_FALSE) << "no updateUrl";
  EXPECT_EQ(ReadWith(R"(<root><addon version="1" updateUrl="u"/></root>)"), S_FALSE) << "addon not at the root";
}

TEST_F(ConfigTest, EmptyVersionIsAnError) {
  EXPECT_EQ(ReadWith(R"(<addon version="" updateUrl="u"/>)"), E_FAIL);
}

TEST_F(ConfigTest, MalformedFileIsLoggedAndReadsAsMissing) {
  EXPECT_EQ(ReadWith("<addon version=\"1\" updateUrl=\"u\">"), S_FALSE);
  bool logged = false;
  for (const auto& line : LogLines()) {
    if (line.rfind("[ERROR]: Can't load ", 0) == 0 && line.find("config.xml") != std::string::npos) logged = true;
  }
  EXPECT_TRUE(logged);
}

TEST_F(ConfigTest, ADocumentTypeDefinitionIsRefused) {
  EXPECT_EQ(ReadWith(R"(<!DOCTYPE addon [<!ENTITY v "2.0">]><addon version="&v;" updateUrl="u"/>)"), S_FALSE);
  EXPECT_EQ(LogLines().back(),
            "[ERROR]: Can't load " + test::Narrow(folder_) + "config.xml: a document type definition is not accepted");
}

TEST(Version, ParsesUpToFourParts) {
  EXPECT_EQ(Version::Parse(L"3.1").parts, (std::array<uint32_t, 4>{3, 1, 0, 0}));
  EXPECT_EQ(Version::Parse(L"3.1.x.7").parts, (std::array<uint32_t, 4>{3, 1, 0, 7}));
  EXPECT_EQ(Version::Parse(L"1.2.3.4.5").parts, (std::array<uint32_t, 4>{1, 2, 3, 4}));
  EXPECT_EQ(Version::Parse(L"10b.007..2").parts, (std::array<uint32_t, 4>{10, 7, 0, 2}));
  EXPECT_EQ(Version::Parse(L"").parts, (std::array<uint32_t, 4>{0, 0, 0, 0}));
  EXPECT_EQ(Version::Parse(L"99999999999.1").parts[0], 0xFFFFFFFFu);
}

TEST(Version, ComparesComponentByComponent) {
  EXPECT_LT(Version::Parse(L"1.2.3.4"), Version::Parse(L"1.2.3.5"));
  EXPECT_LT(Version::Parse(L"1.9"), Version::Parse(L"1.10"));
  EXPECT_LT(Version::Parse(L"0.9.9.9"), Version::Parse(L"1"));
  EXPECT_EQ(Version::Parse(L"2"), Version::Parse(L"2.0.0.0"));
  EXPECT_FALSE(Version::Parse(L"2.1") < Version::Parse(L"2.0.9"));
}

}  // namespace
}  // namespace tessary::host
