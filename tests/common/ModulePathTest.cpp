#include "ModulePath.h"

#include <gtest/gtest.h>

#include "TestEnvironment.h"
#include "UniqueHandle.h"

namespace tessary {
namespace {

TEST(ModulePath, FindsPathsLongerThanTheFirstBuffer) {
  std::wstring folder = test::MakeTempFolder(L"modulepath");
  while (folder.size() <= 2100) {
    folder += L"a-folder-name-long-enough-to-push-the-path-past-one-buffer-" + std::to_wstring(folder.size()) + L"\\";
    ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr));
  }
  // Any module of ours will do; the host program finds its own path the same way.
  const std::wstring copy = folder + L"pagelet.dll";
  ASSERT_TRUE(::CopyFileW((test::ExtensionDirectory() + L"pagelet.dll").c_str(), copy.c_str(), FALSE));
  UniqueLibrary library(::LoadLibraryW(copy.c_str()));
  ASSERT_TRUE(library.IsValid());
  EXPECT_EQ(ModuleFileName(library.Get()), copy);
  EXPECT_GT(copy.size(), 2048u);
}

TEST(ModulePath, FindsTheRunningProgram) {
  const std::wstring path = ModuleFileName(nullptr);
  ASSERT_FALSE(path.empty());
  EXPECT_EQ(path.substr(path.size() - 4), L".exe");
  EXPECT_EQ(ModuleFileName(CurrentModule()), path);
  EXPECT_EQ(FolderOf(path) + path.substr(path.rfind(L'\\') + 1), path);
  EXPECT_EQ(FolderOf(L"no-backslash"), L"");
}

}  // namespace
}  // namespace tessary
