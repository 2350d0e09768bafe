#pragma once
// A SHA-1 digest through the system's cryptography (BCrypt), written as 40
// upper-case hexadecimal digits. Each failure goes to the log as the update's
// file check reports it.
#include <windows.h>
#include <bcrypt.h>

#include <string>
#include <vector>

#include "UniqueHandle.h"

namespace tessary::host {

class Log;

class Sha1Hash {
 public:
  // Opens the default SHA-1 provider and creates the hash; false when that
  // cannot be done.
  bool Open(Log& log);
  bool Add(const void* bytes, ULONG count);
  // Ends the hash; no further Add.
  bool Finish(Log& log, std::wstring* digest);

 private:
  struct AlgorithmTraits {
    using Type = BCRYPT_ALG_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::BCryptCloseAlgorithmProvider(h, 0); }
  };
  struct HashTraits {
    using Type = BCRYPT_HASH_HANDLE;
    static Type Invalid() { return nullptr; }
    static bool IsValid(Type h) { return h != nullptr; }
    static void Close(Type h) { ::BCryptDestroyHash(h); }
  };

  // Declared in this order so that the hash goes before its object and provider.
  UniqueResource<AlgorithmTraits> algorithm_;
  std::vector<UCHAR> object_;
  UniqueResource<HashTraits> hash_;
};

}  // namespace tessary::host
