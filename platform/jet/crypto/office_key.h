// The encryption schemes an .accdb may name in its encryption information: each checks a password
// and, when it is right, gives the cipher that turns an encrypted page back into a Jet page.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "platform/jet/crypto/crypto_primitives.h"
#include "platform/jet/crypto/office_crypto.h"

// Decrypts the pages of one file. Page 0 is never encrypted and never reaches it.
class office_page_cipher {
 public:
  virtual ~office_page_cipher() = default;
  // Decrypts `size` bytes of page `page_number` from in to out. `size` is the page size, or less
  // for a file whose last page is cut short (a block cipher then leaves the last partial block as
  // it was). False when the cipher fails.
  virtual bool decrypt_page(std::uint32_t page_number, const std::uint8_t* in, std::uint8_t* out, std::size_t size) = 0;
};

// What checking a password against one scheme came to.
struct office_key_result {
  office_crypto_status status = office_crypto_status::damaged_header;
  std::unique_ptr<office_page_cipher> cipher;  // set when status is ok
  std::string detail;
};

// The encryption information after its 4-byte version, the password as UTF-16LE bytes, and the
// database's encoding key (the header's key at 0x3e, which every page's block key mixes in).
struct office_key_input {
  crypto_view info;
  crypto_view password;
  std::uint32_t encoding_key = 0;
};

// Agile encryption (version 4.4): an XML descriptor, AES with SHA-1..SHA-512 and a spin count.
office_key_result office_agile_key(const office_key_input& input);

// The binary CryptoAPI header (versions 2..4 . 2): RC4 CryptoAPI, or standard AES when the header's
// AES flag is set.
office_key_result office_cryptoapi_key(const office_key_input& input);

// Shorthands for the schemes' failures.
office_key_result office_key_failure(office_crypto_status status, std::string detail);
