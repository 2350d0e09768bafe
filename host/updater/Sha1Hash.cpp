#include "Sha1Hash.h"

#include "Log.h"

namespace tessary::host {

bool Sha1Hash::Open(Log& log) {
  if (!BCRYPT_SUCCESS(::BCryptOpenAlgorithmProvider(algorithm_.Put(), BCRYPT_SHA1_ALGORITHM, nullptr, 0))) {
    log.Error() << "Can't load default cryptographic algorithm provider";
    return false;
  }
  DWORD length = 0;
  ULONG size = 0;
  if (!BCRYPT_SUCCESS(::BCryptGetProperty(algorithm_.Get(), BCRYPT_OBJECT_LENGTH, reinterpret_cast<PUCHAR>(&length),
                                          sizeof(length), &size, 0))) {
    log.Error() << "Can't get crypt property value";
    return false;
  }
  object_.resize(length);
  if (!BCRYPT_SUCCESS(::BCryptCreateHash(algorithm_.Get(), hash_.Put(), object_.data(), length, nullptr, 0, 0))) {
    log.Error() << "Can't create crypt hash object";
    return false;
  }
  return true;
}

bool Sha1Hash::Add(const void* bytes, ULONG count) {
  return BCRYPT_SUCCESS(::BCryptHashData(hash_.Get(), static_cast<PUCHAR>(const_cast<void*>(bytes)), count, 0));
}

bool Sha1Hash::Finish(Log& log, std::wstring* digest) {
  UCHAR value[20];
  if (!BCRYPT_SUCCESS(::BCryptFinishHash(hash_.Get(), value, sizeof(value), 0))) {
    log.Error() << "Can't finalize hashing";
    return false;
  }
  static const wchar_t kDigits[] = L"0123456789ABCDEF";
  digest->clear();
  for (UCHAR byte : value) {
    digest->push_back(kDigits[byte >> 4]);
    digest->push_back(kDigits[byte & 0xF]);
  }
  return true;
}

}  // namespace tessary::host
