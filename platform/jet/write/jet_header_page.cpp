// Page 0 of a Jet 4 file. The constant bytes are those every engine-made Jet 4 file carries.
#include "platform/jet/write/jet_header_page.h"

#include <cstring>

#include "platform/jet/jet_layout.h"
#include "platform/jet/jet_rc4.h"

namespace jet {

namespace {

void put16(std::uint8_t* p, unsigned v) {
  p[0] = static_cast<std::uint8_t>(v);
  p[1] = static_cast<std::uint8_t>(v >> 8);
}
void put32(std::uint8_t* p, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// The word the password is XORed with: the integer part of the creation date.
std::uint32_t password_mask_word(double created) {
  if (!(created > -2147483648.0 && created < 2147483648.0)) return 0;
  return static_cast<std::uint32_t>(static_cast<std::int32_t>(created));
}

}  // namespace

bool jet_build_header_page(const jet_header_options& options, std::vector<std::uint8_t>& page) {
  if (options.password.size() > jet_layout_password_size / 2) return false;
  for (wchar_t c : options.password)
    if (static_cast<std::uint32_t>(c) > 0xFFFF) return false;

  page.assign(jet4_page_size, 0);
  std::uint8_t* p = page.data();
  p[1] = 1;
  std::memcpy(p + 4, jet_layout_jet_signature, sizeof jet_layout_jet_signature);
  p[jet_layout_version_offset] = jet_layout_version_jet4;

  static const std::uint8_t fixed_18[] = {0x00, 0x01, 0x00, 0x00, 0x01, 0x01, 0x00, 0x00, 0x02, 0x00, 0x00, 0x00,
                                          0x03, 0x00, 0x00, 0x00, 0x04, 0x00, 0x00, 0x00, 0x05, 0x00, 0x00, 0x00};
  std::memcpy(p + 0x18, fixed_18, sizeof fixed_18);
  put16(p + jet_layout_code_page_at, options.code_page);
  put32(p + jet_layout_encoding_key_at, 0);

  // An empty password still stores the mask: the reader XORs it back to zeros.
  std::uint32_t mask = password_mask_word(options.created);
  std::uint8_t* pw = p + jet_layout_password_at;
  for (std::size_t i = 0; i < options.password.size(); ++i)
    put16(pw + 2 * i, static_cast<unsigned>(options.password[i]));
  for (std::size_t i = 0; i < jet_layout_password_size; ++i) pw[i] ^= static_cast<std::uint8_t>(mask >> (8 * (i % 4)));

  put32(p + 0x6A, 0x11A6);
  static const std::uint8_t sort_order[] = {0x09, 0x04, 0x00, 0x00};
  std::memcpy(p + jet_layout_sort_order_at, sort_order, sizeof sort_order);
  std::memcpy(p + jet_layout_created_at, &options.created, sizeof options.created);

  jet_rc4 rc4(jet_layout_header_key, sizeof jet_layout_header_key);
  rc4.apply(p + jet_layout_header_masked_at, jet_layout_header_masked_size);

  static const std::uint8_t version_text[] = {0x54, 0x06, 0x00, 0x00, '4', '.', '0', 0x00};
  std::memcpy(p + 0x98, version_text, sizeof version_text);
  static const std::uint8_t tail_start[] = {0x01, 0x01, 0x00, 0x01};
  std::memcpy(p + 0xE00, tail_start, sizeof tail_start);
  for (std::size_t at = 0xE04; at + 1 < jet4_page_size; at += 2) p[at + 1] = 1;
  return true;
}

}  // namespace jet
