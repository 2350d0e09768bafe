#include "UpdateFiles.h"

#include <vector>

#include "HostNames.h"
#include "Log.h"
#include "Sha1Hash.h"
#include "UniqueHandle.h"

namespace tessary::host {
namespace {

constexpr DWORD kChunk = 32768;

}  // namespace

bool HashFile(const std::wstring& path, Log& log, std::wstring* digest) {
  digest->clear();
  Sha1Hash hash;
  if (!hash.Open(log)) return false;
  UniqueHandle file(
      ::CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    const DWORD error = ::GetLastError();
    log.Error() << "Can't open " << path << ", code " << error;
    return true;
  }
  std::vector<char> chunk(kChunk);
  DWORD read = 0;
  while (::ReadFile(file.Get(), chunk.data(), kChunk, &read, nullptr) && read > 0) {
    if (!hash.Add(chunk.data(), read)) {
      log.Error() << "Can't hash data chunk";
      log.Error() << "Abort hashing";
      return false;
    }
  }
  return hash.Finish(log, digest);
}

bool WriteWholeFile(const std::wstring& path, const void* bytes, DWORD count, Log& log) {
  UniqueHandle file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) {
    log.Error() << kLogCannotCreateFile;
    return false;
  }
  DWORD written = 0;
  const bool wrote = ::WriteFile(file.Get(), bytes, count, &written, nullptr);
  if (wrote && written == count) return true;
  log.Error() << (wrote ? kLogFileWrittenIncorrectly : kLogCannotWriteFile);
  file.Reset();
  ::DeleteFileW(path.c_str());
  return false;
}

}  // namespace tessary::host
