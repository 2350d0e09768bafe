#include "Sha1Digest.h"

#include <windows.h>
#include <wincrypt.h>

namespace tessary::test {

std::string Sha1Digest(const std::string& bytes) {
  HCRYPTPROV provider = 0;
  if (!::CryptAcquireContextW(&provider, nullptr, nullptr, PROV_RSA_FULL, CRYPT_VERIFYCONTEXT)) return "";
  HCRYPTHASH hash = 0;
  BYTE value[20] = {};
  DWORD length = sizeof(value);
  const bool done = ::CryptCreateHash(provider, CALG_SHA1, 0, 0, &hash) &&
                    ::CryptHashData(hash, reinterpret_cast<const BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()), 0) &&
                    ::CryptGetHashParam(hash, HP_HASHVAL, value, &length, 0);
  if (hash) ::CryptDestroyHash(hash);
  ::CryptReleaseContext(provider, 0);
  if (!done) return "";
  std::string digest;
  for (BYTE byte : value) {
    digest += "0123456789ABCDEF"[byte >> 4];
    digest += "0123456789ABCDEF"[byte & 0xF];
  }
  return digest;
}

}  // namespace tessary::test
