// Fixed facts of the Jet 4 file layout that the reader and the writer both rely on: page size,
// header signature and the RC4 key that masks the header. One copy so the two cannot drift.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

constexpr std::size_t jet4_page_size = 4096;
constexpr char jet_layout_jet_signature[] = "Standard Jet DB";  // at offset 4 of page 0
constexpr char jet_layout_ace_signature[] = "Standard ACE DB";
constexpr std::size_t jet_layout_version_offset = 0x14;        // 0 Jet 3, 1 Jet 4, 2+ ACE
constexpr std::uint8_t jet_layout_version_jet4 = 1;

// The header from 0x18 is RC4-encoded with this fixed key over 128 bytes (126 in Jet 3).
constexpr std::uint8_t jet_layout_header_key[] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr std::size_t jet_layout_header_masked_at = 0x18;
constexpr std::size_t jet_layout_header_masked_size = 128;

// Offsets inside the header page, before masking.
constexpr std::size_t jet_layout_code_page_at = 0x3C;
constexpr std::size_t jet_layout_encoding_key_at = 0x3E;
constexpr std::size_t jet_layout_password_at = 0x42;
constexpr std::size_t jet_layout_password_size = 40;  // 20 UTF-16 characters
constexpr std::size_t jet_layout_sort_order_at = 0x6E;
constexpr std::size_t jet_layout_created_at = 0x72;   // a double, the date of creation

}  // namespace jet
