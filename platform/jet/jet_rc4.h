// RC4, the stream cipher Access uses to mask its header and, in encoded databases, its pages.
// One implementation serves the reader and the Office page decryption.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/jet/crypto/crypto_primitives.h"

namespace jet {

class jet_rc4 : public crypto_rc4 {
 public:
  jet_rc4(const std::uint8_t* key, std::size_t key_size) : crypto_rc4(crypto_view(key, key_size)) {}
};

}  // namespace jet
