// Writes CryptoAPI-encrypted copies of a plain file with OpenSSL's own RC4, SHA-1 and AES, so
// that the reader's RC4 and its use of OpenSSL are checked against an independent keystream.
#include "cryptoapi_fixture.h"

#include <gtest/gtest.h>
#include <openssl/evp.h>
#include <openssl/provider.h>

#include <fstream>
#include <iterator>

namespace {

using bytes = std::vector<std::uint8_t>;

// RC4 lives in OpenSSL's legacy provider; loading it stops the default one from loading by itself.
// Unloaded at exit, before OpenSSL cleans up, so that the leak checker sees nothing left over.
struct providers {
  OSSL_PROVIDER* standard = OSSL_PROVIDER_load(nullptr, "default");
  OSSL_PROVIDER* legacy = OSSL_PROVIDER_load(nullptr, "legacy");
  ~providers() {
    if (legacy != nullptr) OSSL_PROVIDER_unload(legacy);
    if (standard != nullptr) OSSL_PROVIDER_unload(standard);
  }
};

void load_providers() {
  static const providers loaded;
  ASSERT_TRUE(loaded.standard != nullptr && loaded.legacy != nullptr)
      << "OpenSSL's legacy provider (RC4) is not available";
}

bytes sha1(const bytes& a, const bytes& b = {}) {
  bytes out(20);
  EVP_MD_CTX* ctx = EVP_MD_CTX_new();
  EVP_DigestInit_ex(ctx, EVP_sha1(), nullptr);
  EVP_DigestUpdate(ctx, a.data(), a.size());
  EVP_DigestUpdate(ctx, b.data(), b.size());
  EVP_DigestFinal_ex(ctx, out.data(), nullptr);
  EVP_MD_CTX_free(ctx);
  return out;
}

bytes le32(std::uint32_t v) {
  return {static_cast<std::uint8_t>(v), static_cast<std::uint8_t>(v >> 8), static_cast<std::uint8_t>(v >> 16),
          static_cast<std::uint8_t>(v >> 24)};
}

void rc4(const bytes& key, std::uint8_t* data, std::size_t size) {
  load_providers();
  EVP_CIPHER* cipher = EVP_CIPHER_fetch(nullptr, "RC4", nullptr);
  ASSERT_NE(cipher, nullptr);
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int n = 0;
  EXPECT_EQ(EVP_EncryptInit_ex(ctx, cipher, nullptr, nullptr, nullptr), 1);
  EXPECT_EQ(EVP_CIPHER_CTX_set_key_length(ctx, static_cast<int>(key.size())), 1);
  EXPECT_EQ(EVP_EncryptInit_ex(ctx, nullptr, nullptr, key.data(), nullptr), 1);
  EXPECT_EQ(EVP_EncryptUpdate(ctx, data, &n, data, static_cast<int>(size)), 1);
  EVP_CIPHER_CTX_free(ctx);
  EVP_CIPHER_free(cipher);
}

void aes_ecb_encrypt(const bytes& key, std::uint8_t* data, std::size_t size) {
  const EVP_CIPHER* cipher = key.size() == 16   ? EVP_aes_128_ecb()
                             : key.size() == 24 ? EVP_aes_192_ecb()
                                                : EVP_aes_256_ecb();
  EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
  int n = 0;
  EXPECT_EQ(EVP_EncryptInit_ex(ctx, cipher, nullptr, key.data(), nullptr), 1);
  EVP_CIPHER_CTX_set_padding(ctx, 0);
  EXPECT_EQ(EVP_EncryptUpdate(ctx, data, &n, data, static_cast<int>(size)), 1);
  EVP_CIPHER_CTX_free(ctx);
}

void put32(bytes& out, std::uint32_t v) {
  const bytes b = le32(v);
  out.insert(out.end(), b.begin(), b.end());
}

// The page keys of a scheme: the salted password hash (spun 50,000 times for AES) is the same for
// every page, only the block key differs.
class page_keys {
 public:
  page_keys(const cryptoapi_fixture& f, const bytes& salt, const bytes& password)
      : f_(f), bits_(f.key_bits == 0 ? 40 : f.key_bits), hash_(sha1(salt, password)) {
    if (f.aes)
      for (std::uint32_t i = 0; i < 50000; ++i) hash_ = sha1(le32(i), hash_);
  }

  bytes key(std::uint32_t block) const {
    if (!f_.aes) {
      bytes key = sha1(hash_, le32(block));
      key.resize(bits_ / 8);
      if (bits_ == 40) key.resize(16, 0);
      return key;
    }
    const bytes final_hash = sha1(hash_, le32(block));
    bytes key;
    for (std::uint8_t mask : {0x36, 0x5C}) {
      bytes x(64, mask);
      for (std::size_t i = 0; i < final_hash.size(); ++i) x[i] ^= final_hash[i];
      const bytes d = sha1(x);
      key.insert(key.end(), d.begin(), d.end());
    }
    key.resize(bits_ / 8);
    return key;
  }

 private:
  const cryptoapi_fixture& f_;
  unsigned bits_;
  bytes hash_;
};

}  // namespace

std::vector<std::uint8_t> read_file_bytes(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  EXPECT_TRUE(in) << path;
  return bytes(std::istreambuf_iterator<char>(in), {});
}

void write_file_bytes(const std::string& path, const std::vector<std::uint8_t>& data) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
  EXPECT_TRUE(out.good()) << path;
}

std::vector<std::uint8_t> write_cryptoapi_copy(const std::vector<std::uint8_t>& plain, const std::string& out_path,
                                               const cryptoapi_fixture& f) {
  constexpr std::size_t page_size = 4096;
  bytes file = plain;
  if (file.size() < page_size) {
    ADD_FAILURE() << "fixture source too small";
    return {};
  }

  // The encoding key goes into the masked part of the header.
  const bytes mask_key = {0xC7, 0xDA, 0x39, 0x6B};
  rc4(mask_key, file.data() + 0x18, 128);
  const bytes enc = le32(fixture_encoding_key);
  std::copy(enc.begin(), enc.end(), file.begin() + 0x3e);
  rc4(mask_key, file.data() + 0x18, 128);

  bytes password;
  for (char16_t c : f.password) {
    password.push_back(static_cast<std::uint8_t>(c));
    password.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  const bytes salt = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66, 0x77, 0x88, 0x99, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xF0, 0x0F};
  const bytes verifier = {'v', 'e', 'r', 'i', 'f', 'i', 'e', 'r', ' ', 'n', 'o', 'n', 'c', 'e', '!', '?'};

  const std::uint32_t flags = f.aes ? 0x24 : 0x04;
  bytes header;
  put32(header, flags);
  put32(header, 0);  // size of extra data
  put32(header, f.aes ? (f.key_bits == 256 ? 0x6610 : f.key_bits == 192 ? 0x660F : 0x660E) : 0x6801);
  put32(header, 0x8004);
  put32(header, f.key_bits);
  put32(header, f.aes ? 0x18 : 0x01);
  put32(header, 0);
  put32(header, 0);
  for (char16_t c : f.provider) {
    header.push_back(static_cast<std::uint8_t>(c));
    header.push_back(static_cast<std::uint8_t>(c >> 8));
  }
  header.push_back(0);
  header.push_back(0);

  bytes encrypted_verifier = verifier;
  bytes encrypted_hash = sha1(verifier);
  const page_keys keys(f, salt, password);
  const bytes key0 = keys.key(0);
  if (f.aes) {
    encrypted_hash.resize(32, 0);
    aes_ecb_encrypt(key0, encrypted_verifier.data(), 16);
    aes_ecb_encrypt(key0, encrypted_hash.data(), 32);
  } else {
    bytes run = encrypted_verifier;
    run.insert(run.end(), encrypted_hash.begin(), encrypted_hash.end());
    rc4(key0, run.data(), run.size());
    encrypted_verifier.assign(run.begin(), run.begin() + 16);
    encrypted_hash.assign(run.begin() + 16, run.end());
  }

  bytes info = {4, 0, 2, 0};
  put32(info, flags);
  put32(info, static_cast<std::uint32_t>(header.size()));
  info.insert(info.end(), header.begin(), header.end());
  put32(info, 16);
  info.insert(info.end(), salt.begin(), salt.end());
  info.insert(info.end(), encrypted_verifier.begin(), encrypted_verifier.end());
  put32(info, 20);
  info.insert(info.end(), encrypted_hash.begin(), encrypted_hash.end());
  file[0x299] = static_cast<std::uint8_t>(info.size());
  file[0x29A] = static_cast<std::uint8_t>(info.size() >> 8);
  std::copy(info.begin(), info.end(), file.begin() + 0x29B);

  for (std::size_t page = 1; page * page_size < file.size(); ++page) {
    std::uint8_t* p = file.data() + page * page_size;
    const std::size_t size = std::min(page_size, file.size() - page * page_size);
    const bytes key = keys.key(fixture_encoding_key ^ static_cast<std::uint32_t>(page));
    if (f.aes)
      aes_ecb_encrypt(key, p, size - size % 16);
    else
      rc4(key, p, size);
  }
  write_file_bytes(out_path, file);
  return bytes(file.begin(), file.begin() + page_size);
}

MdbHandle* mdb_open_over_stream(const std::string& path, std::FILE* stream) {
  MdbHandle* mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  if (mdb == nullptr) {
    std::fclose(stream);
    return nullptr;
  }
  std::fclose(mdb->f->stream);
  mdb->f->stream = stream;
  mdb->f->db_key = 0;
  return mdb;
}

std::vector<std::string> mdb_user_tables(MdbHandle* mdb) {
  std::vector<std::string> names;
  if (mdb_read_catalog(mdb, MDB_TABLE) == nullptr) return names;
  for (unsigned i = 0; i < mdb->num_catalog; ++i) {
    auto* entry = static_cast<MdbCatalogEntry*>(g_ptr_array_index(mdb->catalog, i));
    if (entry->object_type == MDB_TABLE && !mdb_is_system_table(entry)) names.emplace_back(entry->object_name);
  }
  return names;
}

std::vector<std::vector<std::string>> mdb_table_rows(MdbHandle* mdb, const std::string& table) {
  std::vector<std::vector<std::string>> rows;
  MdbTableDef* t = mdb_read_table_by_name(mdb, const_cast<gchar*>(table.c_str()), MDB_TABLE);
  if (t == nullptr) return rows;
  mdb_read_columns(t);
  mdb_rewind_table(t);
  std::vector<std::vector<char>> values(t->num_cols, std::vector<char>(MDB_BIND_SIZE));
  std::vector<int> lengths(t->num_cols);
  for (unsigned i = 0; i < t->num_cols; ++i) mdb_bind_column(t, static_cast<int>(i) + 1, values[i].data(), &lengths[i]);
  while (mdb_fetch_row(t)) {
    std::vector<std::string> row;
    for (unsigned i = 0; i < t->num_cols; ++i) row.emplace_back(values[i].data(), static_cast<std::size_t>(lengths[i]));
    rows.push_back(std::move(row));
  }
  mdb_free_tabledef(t);
  return rows;
}
