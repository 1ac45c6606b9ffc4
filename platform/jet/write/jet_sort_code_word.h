// What the General legacy sort order says about one UTF-16 code unit, packed into one 64-bit
// word so the whole table is a flat array built at compile time (see sort_codes/README.md).
// Shared by the build-time generator and the text key encoder.
#pragma once

#include <cstdint>
#include <vector>

namespace jet {

enum sort_code_kind : std::uint8_t {
  sort_code_ignored = 0,      // contributes nothing to the key
  sort_code_simple = 1,       // a main code
  sort_code_accented = 2,     // a main code and an accent code
  sort_code_unprintable = 3,  // a byte for the unprintable part, no main code
  sort_code_combining = 4,    // a value added to the last accent code
  sort_code_kana = 5,         // a main code, maybe an accent code, and a hiragana/katakana flag
};

struct sort_code_word {
  // Bits: 0-2 kind, 3-5 main length, 6-7 extra length, 8 hiragana, 16-47 main bytes in order,
  // 48-63 extra bytes in order. The unprintable byte and the combining value sit in main.
  static std::uint64_t make(sort_code_kind kind, const std::vector<std::uint8_t>& main,
                            const std::vector<std::uint8_t>& extra, bool hiragana) {
    std::uint64_t w = kind | (static_cast<std::uint64_t>(main.size()) << 3) |
                      (static_cast<std::uint64_t>(extra.size()) << 6) | (hiragana ? 0x100u : 0u);
    for (std::size_t i = 0; i < main.size() && i < 4; ++i) w |= static_cast<std::uint64_t>(main[i]) << (16 + 8 * i);
    for (std::size_t i = 0; i < extra.size() && i < 2; ++i) w |= static_cast<std::uint64_t>(extra[i]) << (48 + 8 * i);
    return w;
  }

  std::uint64_t w = 0;
  sort_code_kind kind() const { return static_cast<sort_code_kind>(w & 7); }
  unsigned main_size() const { return (w >> 3) & 7; }
  unsigned extra_size() const { return (w >> 6) & 3; }
  bool hiragana() const { return (w >> 8) & 1; }
  std::uint8_t main(unsigned i) const { return static_cast<std::uint8_t>(w >> (16 + 8 * i)); }
  std::uint8_t extra(unsigned i) const { return static_cast<std::uint8_t>(w >> (48 + 8 * i)); }
};

}  // namespace jet
