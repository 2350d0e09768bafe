// The product's version comes from one place (the file VERSION): the staged
// extension's config.xml and the version blocks of the three deliverables
// carry it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TessaryVersion.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

// The version attribute of config.xml, read as text.
std::string ConfigVersion() {
  const std::string xml = ReadFileBytes(ExtensionDirectory() + L"config.xml");
  const std::string attribute = "version=\"";
  const size_t start = xml.find(attribute, xml.find("<addon"));
  if (start == std::string::npos) return "<no version attribute>";
  return xml.substr(start + attribute.size(), xml.find('"', start + attribute.size()) - start - attribute.size());
}

struct FileVersion {
  std::wstring text;
  std::vector<unsigned> parts;
};

FileVersion VersionOf(const std::wstring& path) {
  FileVersion version;
  std::vector<char> block(::GetFileVersionInfoSizeW(path.c_str(), nullptr));
  if (block.empty() || !::GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data())) {
    return version;
  }
  void* value = nullptr;
  UINT length = 0;
  if (::VerQueryValueW(block.data(), L"\\StringFileInfo\\040904B0\\FileVersion", &value, &length)) {
    version.text = static_cast<const wchar_t*>(value);
  }
  if (::VerQueryValueW(block.data(), L"\\", &value, &length) && length >= sizeof(VS_FIXEDFILEINFO)) {
    const auto* fixed = static_cast<const VS_FIXEDFILEINFO*>(value);
    version.parts = {HIWORD(fixed->dwFileVersionMS), LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                     LOWORD(fixed->dwFileVersionLS)};
  }
  return version;
}

std::vector<unsigned> Parts(const std::string& text) {
  std::vector<unsigned> parts;
  size_t start = 0;
  for (size_t dot = 0; dot != std::string::npos; start = dot + 1) {
    dot = text.find('.', start);
    parts.push_back(static_cast<unsigned>(std::stoul(text.substr(start, dot - start))));
  }
  parts.resize(4, 0);
  return parts;
}

TEST(ProductVersionTest, ConfigXmlAndTheDeliverablesCarryTheVersionOfTheFileVersion) {
  const std::string version = TESSARY_VERSION_TEXT;
  EXPECT_EQ(ConfigVersion(), version);
  for (const wchar_t* name : {L"TessaryBG.exe", L"pagelet.dll", L"barlet.dll"}) {
    SCOPED_TRACE(Narrow(name));
    const FileVersion found = VersionOf(ExtensionDirectory() + name);
    EXPECT_EQ(Narrow(found.text), version);
    EXPECT_EQ(found.parts, Parts(version));
  }
  const std::string file = ReadFileBytes(SourceDirectory() + L"VERSION");
  EXPECT_EQ(file.substr(0, file.find_first_of("\r\n")), version) << "built from another version than VERSION holds";
}

}  // namespace
}  // namespace tessary::test
