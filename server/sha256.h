// SHA-256 (FIPS 180-4) of a byte string: the key table keeps the hashes of the access keys, never the
// keys themselves.
#ifndef CUSTOR_SERVER_SHA256_H_
#define CUSTOR_SERVER_SHA256_H_

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace corvane {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest Sha256(std::string_view data);

// The digest as 64 lower-case hex digits.
std::string Sha256Hex(std::string_view data);

}  // namespace corvane

#endif  // CUSTOR_SERVER_SHA256_H_
