// RC4, the stream cipher Access uses to mask its header and, in encoded databases, its pages.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

class jet_rc4 {
 public:
  jet_rc4(const std::uint8_t* key, std::size_t key_size) {
    for (int k = 0; k < 256; ++k) s_[k] = static_cast<std::uint8_t>(k);
    std::uint8_t j = 0;
    for (int k = 0; k < 256; ++k) {
      j = static_cast<std::uint8_t>(j + s_[k] + key[static_cast<std::size_t>(k) % key_size]);
      std::uint8_t t = s_[k];
      s_[k] = s_[j];
      s_[j] = t;
    }
  }
  // Encodes or decodes (the same operation) `size` bytes in place.
  void apply(std::uint8_t* data, std::size_t size) {
    for (std::size_t n = 0; n < size; ++n) {
      i_ = static_cast<std::uint8_t>(i_ + 1);
      j_ = static_cast<std::uint8_t>(j_ + s_[i_]);
      std::uint8_t t = s_[i_];
      s_[i_] = s_[j_];
      s_[j_] = t;
      data[n] ^= s_[static_cast<std::uint8_t>(s_[i_] + s_[j_])];
    }
  }

 private:
  std::uint8_t s_[256];
  std::uint8_t i_ = 0;
  std::uint8_t j_ = 0;
};

}  // namespace jet
