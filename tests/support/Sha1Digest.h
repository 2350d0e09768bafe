#pragma once
// SHA-1 digests for tests, from the older CryptoAPI, so that the product's own
// hashing is checked against another implementation.
#include <string>

namespace tessary::test {

// 40 upper-case hexadecimal digits; empty when CryptoAPI failed.
std::string Sha1Digest(const std::string& bytes);

}  // namespace tessary::test
