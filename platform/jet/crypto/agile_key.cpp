// Agile encryption: the XML descriptor names the cipher and hash; the password key encryptor
// holds a salted, spun password hash that unlocks the verifier and the file's intermediate key.
#include <openssl/crypto.h>

#include <charconv>

#include "platform/jet/crypto/office_key.h"
#include "platform/jet/crypto/xml_elements.h"

namespace {

// The block keys that tell the three uses of the password hash apart.
constexpr std::uint8_t verifier_input_block[] = {0xfe, 0xa7, 0xd2, 0x76, 0x3b, 0x4b, 0x9e, 0x79};
constexpr std::uint8_t verifier_value_block[] = {0xd7, 0xaa, 0x0f, 0x6d, 0x30, 0x61, 0x34, 0x4e};
constexpr std::uint8_t key_value_block[] = {0x14, 0x6e, 0x0b, 0xe7, 0xab, 0xac, 0xd0, 0xd6};

// Office never writes more; a damaged header could otherwise ask for days of hashing.
constexpr std::uint32_t max_spin_count = 10'000'000;

constexpr std::string_view password_encryptor_uri = "http://schemas.microsoft.com/office/2006/keyEncryptor/password";

// The cipher and hash settings shared by <keyData> and the password <encryptedKey>.
struct cipher_params {
  crypto_hash_kind hash = crypto_hash_kind::sha1;
  std::size_t hash_size = 0;
  std::size_t key_bytes = 0;
  crypto_bytes salt;
};

std::optional<std::uint32_t> to_number(const std::map<std::string, std::string>& attrs, const std::string& name) {
  const auto it = attrs.find(name);
  if (it == attrs.end()) return std::nullopt;
  std::uint32_t value = 0;
  const char* first = it->second.data();
  const char* last = first + it->second.size();
  const auto [ptr, ec] = std::from_chars(first, last, value);
  if (ec != std::errc() || ptr != last) return std::nullopt;
  return value;
}

std::optional<crypto_bytes> to_bytes(const std::map<std::string, std::string>& attrs, const std::string& name) {
  const auto it = attrs.find(name);
  if (it == attrs.end()) return std::nullopt;
  return crypto_base64_decode(it->second);
}

std::string attr(const std::map<std::string, std::string>& attrs, const std::string& name) {
  const auto it = attrs.find(name);
  return it == attrs.end() ? std::string() : it->second;
}

// Reads the settings of one element; on failure, `failure` says why.
std::optional<cipher_params> read_params(const xml_element& element, office_key_result& failure) {
  const auto& a = element.attributes;
  const std::string cipher = attr(a, "cipherAlgorithm");
  const std::string chaining = attr(a, "cipherChaining");
  const std::string hash = attr(a, "hashAlgorithm");
  if (cipher.empty() || chaining.empty() || hash.empty()) {
    failure =
        office_key_failure(office_crypto_status::damaged_header, "<" + element.name + "> lacks its cipher or hash");
    return std::nullopt;
  }
  if (cipher != "AES" || chaining != "ChainingModeCBC") {
    failure = office_key_failure(office_crypto_status::unsupported_scheme, "cipher " + cipher + " " + chaining);
    return std::nullopt;
  }
  cipher_params p;
  if (hash == "SHA1")
    p.hash = crypto_hash_kind::sha1;
  else if (hash == "SHA256")
    p.hash = crypto_hash_kind::sha256;
  else if (hash == "SHA384")
    p.hash = crypto_hash_kind::sha384;
  else if (hash == "SHA512")
    p.hash = crypto_hash_kind::sha512;
  else if (hash == "MD5")
    p.hash = crypto_hash_kind::md5;
  else {
    failure = office_key_failure(office_crypto_status::unsupported_scheme, "hash " + hash);
    return std::nullopt;
  }
  p.hash_size = crypto_hasher(p.hash).size();
  const auto key_bits = to_number(a, "keyBits");
  const auto block_size = to_number(a, "blockSize");
  const auto hash_size = to_number(a, "hashSize");
  auto salt = to_bytes(a, "saltValue");
  if (!key_bits || (*key_bits != 128 && *key_bits != 192 && *key_bits != 256) || !block_size || *block_size != 16 ||
      (hash_size && *hash_size != p.hash_size) || !salt || salt->empty()) {
    failure = office_key_failure(office_crypto_status::damaged_header,
                                 "<" + element.name + "> has inconsistent sizes or salt");
    return std::nullopt;
  }
  p.key_bytes = *key_bits / 8;
  p.salt = std::move(*salt);
  return p;
}

class agile_page_cipher final : public office_page_cipher {
 public:
  agile_page_cipher(const cipher_params& data, crypto_bytes key, std::uint32_t encoding_key)
      : hasher_(data.hash), salt_(data.salt), key_(std::move(key)), encoding_key_(encoding_key) {}
  ~agile_page_cipher() override { OPENSSL_cleanse(key_.data(), key_.size()); }

  bool decrypt_page(std::uint32_t page_number, const std::uint8_t* in, std::uint8_t* out, std::size_t size) override {
    // Each page has its own IV: the hash of the key data's salt and the page's block key.
    const auto block = crypto_le32(encoding_key_ ^ page_number);
    crypto_bytes iv = hasher_.hash(salt_, block);
    if (iv.empty()) return false;
    iv = crypto_fix_length(std::move(iv), 16, 0x36);
    const std::size_t whole = size - size % 16;
    if (size != whole) std::copy(in + whole, in + size, out + whole);
    return aes_.decrypt(key_, crypto_view(iv), in, out, whole);
  }

 private:
  crypto_hasher hasher_;
  crypto_bytes salt_;
  crypto_bytes key_;
  std::uint32_t encoding_key_;
  crypto_aes aes_;
};

// Decrypts one of the password encryptor's values with the key its block key derives.
std::optional<crypto_bytes> unlock(crypto_hasher& hasher, const crypto_bytes& spun, crypto_view block,
                                   const cipher_params& p, const crypto_bytes& encrypted) {
  crypto_bytes key = hasher.hash(spun, block);
  if (key.empty() || encrypted.empty() || encrypted.size() % 16 != 0) return std::nullopt;
  key = crypto_fix_length(std::move(key), p.key_bytes, 0x36);
  const crypto_bytes iv = crypto_fix_length(p.salt, 16, 0x36);
  crypto_bytes plain(encrypted.size());
  crypto_aes aes;
  if (!aes.decrypt(key, crypto_view(iv), encrypted.data(), plain.data(), plain.size())) return std::nullopt;
  return plain;
}

}  // namespace

office_key_result office_agile_key(const office_key_input& input) {
  // A reserved 4-byte word of 0x40 comes before the descriptor.
  if (input.info.size() < 4 || input.info[0] != 0x40 || input.info[1] != 0 || input.info[2] != 0 || input.info[3] != 0)
    return office_key_failure(office_crypto_status::damaged_header, "agile reserved word is not 0x40");
  std::string_view xml(reinterpret_cast<const char*>(input.info.data()) + 4, input.info.size() - 4);
  // The descriptor may be followed by padding within the stated length.
  if (const std::size_t nul = xml.find('\0'); nul != std::string_view::npos) xml = xml.substr(0, nul);
  const auto elements = xml_read_elements(xml);
  if (!elements) return office_key_failure(office_crypto_status::damaged_header, "descriptor is not XML");

  const xml_element* key_data = nullptr;
  const xml_element* password_key = nullptr;
  bool any_encryptor = false;
  std::string encryptor_uri;
  for (const auto& e : *elements) {
    if (e.name == "keyData" && key_data == nullptr) key_data = &e;
    if (e.name == "keyEncryptor") {
      any_encryptor = true;
      encryptor_uri = attr(e.attributes, "uri");
    }
    if (e.name == "encryptedKey" && encryptor_uri == password_encryptor_uri && password_key == nullptr)
      password_key = &e;
  }
  if (key_data == nullptr)
    return office_key_failure(office_crypto_status::damaged_header, "descriptor has no <keyData>");
  if (password_key == nullptr)
    return office_key_failure(
        any_encryptor ? office_crypto_status::unsupported_scheme : office_crypto_status::damaged_header,
        "descriptor has no password key encryptor");

  office_key_result failure;
  const auto data = read_params(*key_data, failure);
  if (!data) return failure;
  const auto pwd = read_params(*password_key, failure);
  if (!pwd) return failure;
  const auto& a = password_key->attributes;
  const auto spin_count = to_number(a, "spinCount");
  const auto verifier_input = to_bytes(a, "encryptedVerifierHashInput");
  const auto verifier_value = to_bytes(a, "encryptedVerifierHashValue");
  const auto key_value = to_bytes(a, "encryptedKeyValue");
  if (!spin_count || *spin_count > max_spin_count)
    return office_key_failure(office_crypto_status::damaged_header,
                              "spin count \"" + attr(a, "spinCount") + "\" is not a number up to 10000000");
  if (!verifier_input || !verifier_value || !key_value)
    return office_key_failure(office_crypto_status::damaged_header, "password verifier or key missing or not base64");

  // The spun hash is the same for the three values: only the final block key differs.
  crypto_hasher hasher(pwd->hash);
  const crypto_bytes spun = crypto_spin_hash(hasher, pwd->salt, input.password, *spin_count);
  if (spun.empty()) return office_key_failure(office_crypto_status::damaged_header, "hash failed");
  const auto input_plain = unlock(hasher, spun, verifier_input_block, *pwd, *verifier_input);
  const auto value_plain = unlock(hasher, spun, verifier_value_block, *pwd, *verifier_value);
  if (!input_plain || !value_plain || input_plain->size() < pwd->salt.size() || value_plain->size() < pwd->hash_size)
    return office_key_failure(office_crypto_status::damaged_header, "password verifier has wrong sizes");
  const crypto_bytes expected = hasher.hash(crypto_view(input_plain->data(), pwd->salt.size()));
  if (expected.size() != pwd->hash_size || CRYPTO_memcmp(expected.data(), value_plain->data(), pwd->hash_size) != 0)
    return office_key_failure(office_crypto_status::wrong_password, "password verifier mismatch");

  auto key_plain = unlock(hasher, spun, key_value_block, *pwd, *key_value);
  if (!key_plain || key_plain->size() < data->key_bytes)
    return office_key_failure(office_crypto_status::damaged_header, "encrypted key has wrong size");
  key_plain->resize(data->key_bytes);

  office_key_result result;
  result.status = office_crypto_status::ok;
  result.cipher = std::make_unique<agile_page_cipher>(*data, std::move(*key_plain), input.encoding_key);
  return result;
}
