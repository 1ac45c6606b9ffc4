// The binary CryptoAPI encryption header and verifier: RC4 CryptoAPI (Access 2007's older scheme)
// and standard AES. Both hash salt and password with SHA-1; each page's key hashes in its block key.
#include <openssl/crypto.h>

#include <algorithm>
#include <cctype>

#include "platform/jet/crypto/office_key.h"

namespace {

constexpr std::uint32_t flag_cryptoapi = 0x04;
constexpr std::uint32_t flag_external = 0x10;
constexpr std::uint32_t flag_aes = 0x20;

constexpr std::uint32_t alg_rc4 = 0x6801;
constexpr std::uint32_t alg_aes_128 = 0x660E;
constexpr std::uint32_t alg_aes_192 = 0x660F;
constexpr std::uint32_t alg_aes_256 = 0x6610;
constexpr std::uint32_t alg_hash_sha1 = 0x8004;

// Standard AES spins the password hash a fixed number of times.
constexpr std::uint32_t aes_spin_count = 50'000;

// Reads little-endian numbers and byte runs, remembering whether it ever ran past the end.
class reader {
 public:
  explicit reader(crypto_view data) : data_(data) {}
  std::uint32_t u32() {
    if (!ok(4)) return 0;
    const std::uint32_t v = data_[pos_] | (data_[pos_ + 1] << 8) | (data_[pos_ + 2] << 16) |
                            (static_cast<std::uint32_t>(data_[pos_ + 3]) << 24);
    pos_ += 4;
    return v;
  }
  crypto_view bytes(std::size_t n) {
    if (!ok(n)) return {};
    const crypto_view v = data_.subspan(pos_, n);
    pos_ += n;
    return v;
  }
  bool failed() const { return failed_; }

 private:
  bool ok(std::size_t n) {
    if (failed_ || data_.size() - pos_ < n) failed_ = true;
    return !failed_;
  }
  crypto_view data_;
  std::size_t pos_ = 0;
  bool failed_ = false;
};

// The crypto service provider's name, UTF-16LE up to its terminating zero, as lower-case ASCII:
// only its mention of " base " matters (the Base provider's default RC4 key is 40 bits).
std::string provider_name(crypto_view raw) {
  std::string name;
  for (std::size_t i = 0; i + 1 < raw.size(); i += 2) {
    const unsigned unit = raw[i] | (raw[i + 1] << 8);
    if (unit == 0) break;
    name += unit < 0x80 ? static_cast<char>(std::tolower(static_cast<int>(unit))) : '?';
  }
  return name;
}

// Both schemes hash the salted password once; every block key is hashed into that to give the
// key of one page (and of the verifier, with block key 0).
class cryptoapi_page_cipher : public office_page_cipher {
 public:
  cryptoapi_page_cipher(crypto_bytes password_hash, std::size_t key_bytes, std::uint32_t encoding_key)
      : password_hash_(std::move(password_hash)), key_bytes_(key_bytes), encoding_key_(encoding_key) {}
  ~cryptoapi_page_cipher() override { OPENSSL_cleanse(password_hash_.data(), password_hash_.size()); }

  // The key of one block; empty when hashing fails.
  virtual crypto_bytes block_key(crypto_view block) = 0;
  // Decrypts `size` bytes from in to out (in place allowed) with one block's key.
  virtual bool decrypt(crypto_view key, const std::uint8_t* in, std::uint8_t* out, std::size_t size) = 0;

  bool decrypt_page(std::uint32_t page_number, const std::uint8_t* in, std::uint8_t* out, std::size_t size) override {
    const crypto_bytes key = block_key(crypto_le32(encoding_key_ ^ page_number));
    return !key.empty() && decrypt(key, in, out, size);
  }

 protected:
  crypto_hasher hasher_{crypto_hash_kind::sha1};
  crypto_bytes password_hash_;
  std::size_t key_bytes_;
  std::uint32_t encoding_key_;
};

class rc4_page_cipher final : public cryptoapi_page_cipher {
 public:
  using cryptoapi_page_cipher::cryptoapi_page_cipher;

  // SHA-1 of the password hash and block key, cut to the key size; a 40-bit key is padded with
  // zeros to 128 bits, as CryptoAPI does.
  crypto_bytes block_key(crypto_view block) override {
    crypto_bytes key = hasher_.hash(password_hash_, block);
    if (key.empty()) return key;
    key.resize(key_bytes_);
    if (key_bytes_ == 5) key.resize(16, 0);
    return key;
  }

  bool decrypt(crypto_view key, const std::uint8_t* in, std::uint8_t* out, std::size_t size) override {
    if (in != out) std::copy(in, in + size, out);
    crypto_rc4(key).apply(out, size);
    return true;
  }
};

class aes_page_cipher final : public cryptoapi_page_cipher {
 public:
  using cryptoapi_page_cipher::cryptoapi_page_cipher;

  // The final hash of the password hash (spun) and block key, spread over two SHA-1 digests of
  // its 0x36 and 0x5C masks, cut to the key size.
  crypto_bytes block_key(crypto_view block) override {
    const crypto_bytes final_hash = hasher_.hash(password_hash_, block);
    if (final_hash.empty()) return final_hash;
    crypto_bytes key;
    for (const std::uint8_t mask : {std::uint8_t{0x36}, std::uint8_t{0x5C}}) {
      crypto_bytes x(64, mask);
      for (std::size_t i = 0; i < final_hash.size(); ++i) x[i] ^= final_hash[i];
      const crypto_bytes digest = hasher_.hash(x);
      if (digest.empty()) return digest;
      key.insert(key.end(), digest.begin(), digest.end());
    }
    key.resize(key_bytes_);
    return key;
  }

  // ECB over the whole blocks; a short last page keeps its partial block as stored.
  bool decrypt(crypto_view key, const std::uint8_t* in, std::uint8_t* out, std::size_t size) override {
    const std::size_t whole = size - size % 16;
    if (size != whole && in != out) std::copy(in + whole, in + size, out + whole);
    return aes_.decrypt(key, std::nullopt, in, out, whole);
  }

 private:
  crypto_aes aes_;
};

bool verifier_matches(crypto_view verifier, crypto_view hash, std::size_t hash_size) {
  crypto_hasher sha1(crypto_hash_kind::sha1);
  const crypto_bytes expected = sha1.hash(verifier);
  return expected.size() >= hash_size && hash.size() >= hash_size &&
         CRYPTO_memcmp(expected.data(), hash.data(), hash_size) == 0;
}

}  // namespace

office_key_result office_cryptoapi_key(const office_key_input& input) {
  reader r(input.info);
  const std::uint32_t outer_flags = r.u32();
  const std::uint32_t header_size = r.u32();
  reader header(r.bytes(header_size));
  const std::uint32_t flags = header.u32();
  header.u32();  // size of extra data, unused
  std::uint32_t alg = header.u32();
  const std::uint32_t hash_alg = header.u32();
  std::uint32_t key_bits = header.u32();
  header.u32();  // provider type
  header.u32();  // two reserved words
  header.u32();
  if (r.failed() || header.failed())
    return office_key_failure(office_crypto_status::damaged_header, "encryption header cut short");
  const std::string provider = provider_name(input.info.subspan(8 + 32, header_size - 32));

  if ((flags & flag_external) || (outer_flags & flag_external) || !(flags & flag_cryptoapi))
    return office_key_failure(office_crypto_status::unsupported_scheme, "extensible or non-CryptoAPI encryption");
  if (hash_alg != 0 && hash_alg != alg_hash_sha1)
    return office_key_failure(office_crypto_status::unsupported_scheme, "hash other than SHA-1");
  const bool aes = (flags & flag_aes) != 0;
  if (alg == 0) alg = aes ? alg_aes_128 : alg_rc4;
  if (aes) {
    const std::uint32_t bits = alg == alg_aes_128 ? 128 : alg == alg_aes_192 ? 192 : alg == alg_aes_256 ? 256 : 0;
    if (bits == 0) return office_key_failure(office_crypto_status::unsupported_scheme, "AES flag with another cipher");
    if (key_bits == 0) key_bits = bits;
    if (key_bits != bits)
      return office_key_failure(office_crypto_status::damaged_header, "AES key size does not match");
  } else {
    if (alg != alg_rc4)
      return office_key_failure(office_crypto_status::unsupported_scheme, "cipher other than RC4 or AES");
    if (key_bits == 0) key_bits = provider.empty() || provider.find(" base ") != std::string::npos ? 40 : 128;
    if (key_bits < 40 || key_bits > 128 || key_bits % 8 != 0)
      return office_key_failure(office_crypto_status::damaged_header, "RC4 key size out of range");
  }

  // The verifier: a 16-byte salt, an encrypted random verifier and its encrypted SHA-1.
  const std::uint32_t salt_size = r.u32();
  const crypto_view salt = r.bytes(16);
  const crypto_view encrypted_verifier = r.bytes(16);
  const std::uint32_t verifier_hash_size = r.u32();
  const crypto_view encrypted_hash = r.bytes(aes ? 32 : 20);
  if (r.failed() || salt_size != 16 || verifier_hash_size != 20)
    return office_key_failure(office_crypto_status::damaged_header, "password verifier damaged");

  crypto_hasher sha1(crypto_hash_kind::sha1);
  crypto_bytes password_hash =
      aes ? crypto_spin_hash(sha1, salt, input.password, aes_spin_count) : sha1.hash(salt, input.password);
  if (password_hash.empty()) return office_key_failure(office_crypto_status::damaged_header, "hash failed");
  std::unique_ptr<cryptoapi_page_cipher> cipher;
  if (aes)
    cipher = std::make_unique<aes_page_cipher>(std::move(password_hash), key_bits / 8, input.encoding_key);
  else
    cipher = std::make_unique<rc4_page_cipher>(std::move(password_hash), key_bits / 8, input.encoding_key);

  // The verifier and its hash decrypt as one run with the key of block 0: RC4's keystream runs on
  // from one into the other, and AES-ECB takes each block by itself.
  crypto_bytes run(encrypted_verifier.begin(), encrypted_verifier.end());
  run.insert(run.end(), encrypted_hash.begin(), encrypted_hash.end());
  const crypto_bytes key = cipher->block_key(crypto_le32(0));
  if (key.empty() || !cipher->decrypt(key, run.data(), run.data(), run.size()))
    return office_key_failure(office_crypto_status::damaged_header, "verifier decryption failed");
  if (!verifier_matches(crypto_view(run).first(16), crypto_view(run).subspan(16), verifier_hash_size))
    return office_key_failure(office_crypto_status::wrong_password, "password verifier mismatch");
  office_key_result result;
  result.status = office_crypto_status::ok;
  result.cipher = std::move(cipher);
  return result;
}
