// The building blocks of Office page decryption: hashes and AES from OpenSSL, RC4 of our own
// (OpenSSL 3 keeps RC4 in its legacy provider, which a default installation does not load).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>
#include <vector>

typedef struct evp_md_ctx_st EVP_MD_CTX;
typedef struct evp_md_st EVP_MD;
typedef struct evp_cipher_ctx_st EVP_CIPHER_CTX;

using crypto_bytes = std::vector<std::uint8_t>;
using crypto_view = std::span<const std::uint8_t>;

// The hash algorithms an encryption header may name.
enum class crypto_hash_kind { sha1, sha256, sha384, sha512, md5 };

// One hash algorithm with a context kept for reuse: the password key derivation hashes up to ten
// million times, and a fresh OpenSSL context per hash would double its cost.
class crypto_hasher {
 public:
  explicit crypto_hasher(crypto_hash_kind kind);
  ~crypto_hasher();
  crypto_hasher(const crypto_hasher&) = delete;
  crypto_hasher& operator=(const crypto_hasher&) = delete;

  // Length of a digest in bytes.
  std::size_t size() const { return size_; }
  // The digest of the message a followed by b, into out (size() bytes). False when OpenSSL fails.
  bool hash(crypto_view a, crypto_view b, std::uint8_t* out);
  // The same, answered as a new vector; empty when OpenSSL fails.
  crypto_bytes hash(crypto_view a, crypto_view b = {});

 private:
  const EVP_MD* md_;
  EVP_MD_CTX* ctx_;
  std::size_t size_;
};

// The iterated hash of Office key derivation: H0 = H(salt + password), then `spin_count` times
// H(i as 4 little-endian bytes + H). Empty when OpenSSL fails.
crypto_bytes crypto_spin_hash(crypto_hasher& hasher, crypto_view salt, crypto_view password, std::uint32_t spin_count);

// `bytes` cut or padded with `pad` to exactly `size` bytes.
crypto_bytes crypto_fix_length(crypto_bytes bytes, std::size_t size, std::uint8_t pad);

// The 4 little-endian bytes of a number: the "block key" that makes each page's key or IV differ.
std::array<std::uint8_t, 4> crypto_le32(std::uint32_t value);

// RC4 keystream, applied in place (encryption and decryption are the same operation).
class crypto_rc4 {
 public:
  explicit crypto_rc4(crypto_view key);
  void apply(std::uint8_t* data, std::size_t size);

 private:
  std::uint8_t s_[256];
  std::uint8_t i_ = 0;
  std::uint8_t j_ = 0;
};

// AES decryption of whole 16-byte blocks, ECB or CBC, without padding (pages and verifiers are
// whole blocks). Keeps one OpenSSL context for all the pages of a file.
class crypto_aes {
 public:
  crypto_aes();
  ~crypto_aes();
  crypto_aes(const crypto_aes&) = delete;
  crypto_aes& operator=(const crypto_aes&) = delete;

  // Decrypts `size` bytes (a multiple of 16) from in to out. CBC when `iv` is given (16 bytes),
  // else ECB. The key is 16, 24 or 32 bytes. False on any other size or when OpenSSL fails.
  bool decrypt(crypto_view key, std::optional<crypto_view> iv, const std::uint8_t* in, std::uint8_t* out,
               std::size_t size);

 private:
  EVP_CIPHER_CTX* ctx_;
};

// Base64 as the XML descriptor writes it (whitespace allowed, "=" padding). nullopt when malformed.
std::optional<crypto_bytes> crypto_base64_decode(std::string_view text);
