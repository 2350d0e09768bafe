// Where the stand-in lives: registered in the test prefix under the
// WebBrowser control's class identifier, and never among the deliverables.
#include <windows.h>

#include <gtest/gtest.h>

#include <shlwapi.h>

#include "Registry.h"
#include "TestEnvironment.h"

namespace tessary::test {
namespace {

constexpr wchar_t kServerKey[] = L"CLSID\\{8856F961-340A-11D0-A96B-00C04FD705A2}\\InprocServer32";

TEST(StandInRegistrationTest, ReplacesTheWebBrowserControlInThePrefixOnly) {
  const std::wstring standIn = FixturesDirectory() + L"webbrowser_standin.dll";
  ASSERT_NE(::GetFileAttributesW(standIn.c_str()), INVALID_FILE_ATTRIBUTES) << "not built";
  const auto server = ReadString(HKEY_CLASSES_ROOT, kServerKey);
  ASSERT_TRUE(server.has_value());
  EXPECT_EQ(::StrCmpIW(server->c_str(), standIn.c_str()), 0) << Narrow(*server);
  EXPECT_EQ(ReadString(HKEY_CLASSES_ROOT, kServerKey, L"ThreadingModel").value_or(L""), L"Apartment");

  const std::wstring shipped = BinDirectory() + L"webbrowser_standin.dll";
  EXPECT_EQ(::GetFileAttributesW(shipped.c_str()), INVALID_FILE_ATTRIBUTES) << "the deliverables never contain it";
  EXPECT_EQ(::GetFileAttributesW((ExtensionDirectory() + L"webbrowser_standin.dll").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace tessary::test
