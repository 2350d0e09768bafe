#pragma once
// The two folders the host program works with: the extension directory (the
// program's own folder, read only) and the per-user data directory.
#include <string>

namespace tessary::host {

class Directories {
 public:
  // Finds the program's folder, creates the data directory and its db folder.
  // False when either cannot be done.
  bool Prepare();

  // The extension directory with a trailing backslash.
  const std::wstring& ProgramFolder() const { return programFolder_; }
  const std::wstring& ProgramFileName() const { return programFileName_; }
  const std::wstring& CustomizationFolder() const { return customizationFolder_; }
  // Local application data + "\Tessary\".
  const std::wstring& DataDirectory() const { return dataDirectory_; }

 private:
  std::wstring programFolder_;
  std::wstring programFileName_;
  std::wstring customizationFolder_;
  std::wstring dataDirectory_;
};

}  // namespace tessary::host
