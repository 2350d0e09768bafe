#pragma once
// Standard error of this process, redirected into a file while an object of
// this class lives, so that a test can read what the stand-in reported.
#include <windows.h>

#include <string>

#include "TestEnvironment.h"
#include "UniqueHandle.h"

namespace tessary::test {

class ErrorCapture {
 public:
  ErrorCapture() : path_(MakeTempFolder(L"stderr") + L"stderr.txt"), previous_(::GetStdHandle(STD_ERROR_HANDLE)) {
    file_.Reset(::CreateFileW(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              CREATE_ALWAYS, 0, nullptr));
    ::SetStdHandle(STD_ERROR_HANDLE, file_.Get());
  }
  ~ErrorCapture() { ::SetStdHandle(STD_ERROR_HANDLE, previous_); }
  ErrorCapture(const ErrorCapture&) = delete;
  ErrorCapture& operator=(const ErrorCapture&) = delete;

  std::string Text() const { return ReadFileBytes(path_); }

 private:
  std::wstring path_;
  HANDLE previous_;
  UniqueHandle file_;
};

}  // namespace tessary::test
