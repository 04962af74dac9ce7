// MD4 message digest (RFC 1320), for filter identities.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace kxsys {

// The four state words after digesting data (the digest is them little-endian).
std::array<uint32_t, 4> md4_state(const uint8_t *data, size_t len);

} // namespace kxsys
