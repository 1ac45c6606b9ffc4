// Hashes and AES over OpenSSL's EVP interface, RC4 and base64 written out.
#include "platform/jet/crypto/crypto_primitives.h"

#include <openssl/evp.h>

#include <algorithm>

namespace {

const EVP_MD* md_of(crypto_hash_kind kind) {
  switch (kind) {
    case crypto_hash_kind::sha1: return EVP_sha1();
    case crypto_hash_kind::sha256: return EVP_sha256();
    case crypto_hash_kind::sha384: return EVP_sha384();
    case crypto_hash_kind::sha512: return EVP_sha512();
    case crypto_hash_kind::md5: return EVP_md5();
  }
  return EVP_sha1();
}

}  // namespace

crypto_hasher::crypto_hasher(crypto_hash_kind kind)
    : md_(md_of(kind)), ctx_(EVP_MD_CTX_new()), size_(static_cast<std::size_t>(EVP_MD_get_size(md_))) {}

crypto_hasher::~crypto_hasher() { EVP_MD_CTX_free(ctx_); }

bool crypto_hasher::hash(crypto_view a, crypto_view b, std::uint8_t* out) {
  if (ctx_ == nullptr) return false;
  unsigned int written = 0;
  return EVP_DigestInit_ex(ctx_, md_, nullptr) == 1 && EVP_DigestUpdate(ctx_, a.data(), a.size()) == 1 &&
         EVP_DigestUpdate(ctx_, b.data(), b.size()) == 1 && EVP_DigestFinal_ex(ctx_, out, &written) == 1 &&
         written == size_;
}

crypto_bytes crypto_hasher::hash(crypto_view a, crypto_view b) {
  crypto_bytes out(size_);
  if (!hash(a, b, out.data())) out.clear();
  return out;
}

crypto_bytes crypto_spin_hash(crypto_hasher& hasher, crypto_view salt, crypto_view password, std::uint32_t spin_count) {
  crypto_bytes h = hasher.hash(salt, password);
  if (h.empty()) return h;
  crypto_bytes next(h.size());
  for (std::uint32_t i = 0; i < spin_count; ++i) {
    const auto counter = crypto_le32(i);
    if (!hasher.hash(counter, h, next.data())) return {};
    h.swap(next);
  }
  return h;
}

crypto_bytes crypto_fix_length(crypto_bytes bytes, std::size_t size, std::uint8_t pad) {
  bytes.resize(size, pad);
  return bytes;
}

std::array<std::uint8_t, 4> crypto_le32(std::uint32_t value) {
  return {static_cast<std::uint8_t>(value), static_cast<std::uint8_t>(value >> 8),
          static_cast<std::uint8_t>(value >> 16), static_cast<std::uint8_t>(value >> 24)};
}

crypto_rc4::crypto_rc4(crypto_view key) {
  for (int k = 0; k < 256; ++k) s_[k] = static_cast<std::uint8_t>(k);
  if (key.empty()) return;
  std::uint8_t j = 0;
  for (int k = 0; k < 256; ++k) {
    j = static_cast<std::uint8_t>(j + s_[k] + key[static_cast<std::size_t>(k) % key.size()]);
    std::swap(s_[k], s_[j]);
  }
}

void crypto_rc4::apply(std::uint8_t* data, std::size_t size) {
  for (std::size_t k = 0; k < size; ++k) {
    i_ = static_cast<std::uint8_t>(i_ + 1);
    j_ = static_cast<std::uint8_t>(j_ + s_[i_]);
    std::swap(s_[i_], s_[j_]);
    data[k] ^= s_[static_cast<std::uint8_t>(s_[i_] + s_[j_])];
  }
}

crypto_aes::crypto_aes() : ctx_(EVP_CIPHER_CTX_new()) {}

crypto_aes::~crypto_aes() { EVP_CIPHER_CTX_free(ctx_); }

bool crypto_aes::decrypt(crypto_view key, std::optional<crypto_view> iv, const std::uint8_t* in, std::uint8_t* out,
                         std::size_t size) {
  if (ctx_ == nullptr || size % 16 != 0 || (iv && iv->size() != 16)) return false;
  const EVP_CIPHER* cipher = nullptr;
  switch (key.size()) {
    case 16: cipher = iv ? EVP_aes_128_cbc() : EVP_aes_128_ecb(); break;
    case 24: cipher = iv ? EVP_aes_192_cbc() : EVP_aes_192_ecb(); break;
    case 32: cipher = iv ? EVP_aes_256_cbc() : EVP_aes_256_ecb(); break;
    default: return false;
  }
  if (size == 0) return true;
  if (EVP_DecryptInit_ex(ctx_, cipher, nullptr, key.data(), iv ? iv->data() : nullptr) != 1 ||
      EVP_CIPHER_CTX_set_padding(ctx_, 0) != 1)
    return false;
  // OpenSSL counts in int; a page is far below that limit.
  int written = 0;
  int tail = 0;
  return EVP_DecryptUpdate(ctx_, out, &written, in, static_cast<int>(size)) == 1 &&
         EVP_DecryptFinal_ex(ctx_, out + written, &tail) == 1 && static_cast<std::size_t>(written + tail) == size;
}

std::optional<crypto_bytes> crypto_base64_decode(std::string_view text) {
  crypto_bytes out;
  out.reserve(text.size() / 4 * 3);
  std::uint32_t group = 0;
  int bits = 0;
  int padding = 0;
  for (char c : text) {
    int v;
    if (c >= 'A' && c <= 'Z')
      v = c - 'A';
    else if (c >= 'a' && c <= 'z')
      v = c - 'a' + 26;
    else if (c >= '0' && c <= '9')
      v = c - '0' + 52;
    else if (c == '+')
      v = 62;
    else if (c == '/')
      v = 63;
    else if (c == '=') {
      ++padding;
      continue;
    } else if (c == ' ' || c == '\t' || c == '\r' || c == '\n')
      continue;
    else
      return std::nullopt;
    if (padding > 0) return std::nullopt;  // data after the padding
    group = (group << 6) | static_cast<std::uint32_t>(v);
    bits += 6;
    if (bits >= 8) {
      bits -= 8;
      out.push_back(static_cast<std::uint8_t>(group >> bits));
      group &= (1u << bits) - 1;
    }
  }
  // A well-formed text leaves fewer than 6 bits over, and they are zero.
  if (bits >= 6 || group != 0 || padding > 2) return std::nullopt;
  return out;
}
