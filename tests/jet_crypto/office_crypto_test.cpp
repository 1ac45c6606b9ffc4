// The Office decryption of .accdb files against the encrypted files Access made, CryptoAPI copies
// of a plain file, and damaged encryption headers; libmdb reads the decrypted pages.
#include "platform/jet/crypto/office_crypto.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <functional>
#include <memory>

#include "cryptoapi_fixture.h"
#include "tests/support/test_env.h"

namespace {

using bytes = std::vector<std::uint8_t>;
using rows = std::vector<std::vector<std::string>>;
constexpr std::size_t page_size = office_crypto_page_size;

struct mdb_closer {
  void operator()(MdbHandle* mdb) const { mdb_close(mdb); }
};
using mdb_ptr = std::unique_ptr<MdbHandle, mdb_closer>;

// Every page after the header of a Jet file starts with its type (1 to 9) and the byte 0x01.
void expect_jet_pages(std::FILE* stream) {
  ASSERT_EQ(std::fseek(stream, 0, SEEK_END), 0);
  const long size = std::ftell(stream);
  ASSERT_GT(size, 0);
  ASSERT_EQ(size % static_cast<long>(page_size), 0);
  bytes page(page_size);
  for (long p = 1; p < size / static_cast<long>(page_size); ++p) {
    ASSERT_EQ(std::fseek(stream, p * static_cast<long>(page_size), SEEK_SET), 0);
    ASSERT_EQ(std::fread(page.data(), 1, page_size, stream), page_size);
    EXPECT_TRUE(page[0] >= 1 && page[0] <= 9 && page[1] == 0x01)
        << "page " << p << " starts " << int(page[0]) << " " << int(page[1]);
  }
}

struct real_file_case {
  const char* file;
  const wchar_t* password;
  std::vector<std::string> tables;
  const char* table;
  rows expected;
};

TEST(office_crypto, encrypted_files_made_by_access_read_with_their_password) {
  const std::vector<real_file_case> cases = {
      {"access/encrypted/db2007-enc.accdb", L"Test123", {"Table1"}, "Table1", {{"1", "foo"}}},
      {"access/encrypted/db2013-enc.accdb",
       L"1234",
       {"Customers"},
       "Customers",
       {{"1", "Test"}, {"2", "Test2"}, {"3", "a"}, {"4", ""}, {"5", "c"}, {"6", "d"}, {"7", "f"}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.file);
    const std::string path = test_env::testdata_path(c.file);
    EXPECT_TRUE(office_crypto_file_is_encrypted(path.c_str()));
    auto opened = office_crypto_open(path.c_str(), c.password);
    ASSERT_EQ(opened.status, office_crypto_status::ok) << opened.detail;
    ASSERT_NE(opened.stream, nullptr);
    expect_jet_pages(opened.stream);

    mdb_ptr mdb(mdb_open_over_stream(path, opened.stream));
    ASSERT_NE(mdb, nullptr);
    const auto tables = mdb_user_tables(mdb.get());
    for (const auto& t : c.tables) EXPECT_NE(std::find(tables.begin(), tables.end(), t), tables.end()) << t;
    EXPECT_EQ(mdb_table_rows(mdb.get(), c.table), c.expected);
  }
}

TEST(office_crypto, wrong_or_empty_password_is_not_valid) {
  const std::vector<std::pair<const char*, const wchar_t*>> cases = {
      {"access/encrypted/db2007-enc.accdb", L""},         {"access/encrypted/db2007-enc.accdb", L"test123"},
      {"access/encrypted/db2007-enc.accdb", L"Test1234"}, {"access/encrypted/db2013-enc.accdb", L""},
      {"access/encrypted/db2013-enc.accdb", L"1234 "},    {"access/encrypted/db2013-enc.accdb", L"Test123"},
  };
  for (const auto& [file, password] : cases) {
    SCOPED_TRACE(std::string(file) + " / " + std::to_string(std::wstring(password).size()));
    auto opened = office_crypto_open(test_env::testdata_path(file).c_str(), password);
    EXPECT_EQ(opened.status, office_crypto_status::wrong_password) << opened.detail;
    EXPECT_EQ(opened.stream, nullptr);
  }
}

TEST(office_crypto, only_office_encrypted_files_say_so) {
  // Jet 3 and Jet 4 files with page encoding (libmdb decodes those itself) and plain files are not.
  // Only the Office-encrypted files need our own reader as their reference.
  for (const test_env::access_file& f : test_env::access_files()) {
    const std::string path = test_env::testdata_path(f.path);
    EXPECT_EQ(office_crypto_file_is_encrypted(path.c_str()), f.reference == "own") << path;
  }
  const std::string missing = test_env::testdata_dir() + "/access/no such file.accdb";
  EXPECT_FALSE(office_crypto_file_is_encrypted(missing.c_str()));
}

// A copy of an encrypted file with its header page patched.
struct damaged_case {
  const char* what;
  const char* file;
  std::function<void(bytes&)> damage;
  office_crypto_status expected;
};

// Replaces the Agile descriptor of a header page with `xml` (the info length follows it).
void set_descriptor(bytes& file, const std::string& xml) {
  const std::size_t length = 8 + xml.size();
  file[0x299] = static_cast<std::uint8_t>(length);
  file[0x29A] = static_cast<std::uint8_t>(length >> 8);
  std::copy(xml.begin(), xml.end(), file.begin() + 0x2A3);
  std::fill(file.begin() + 0x2A3 + static_cast<long>(xml.size()), file.begin() + page_size, 0);
}

std::string descriptor_of(const bytes& file) {
  const std::size_t length = file[0x299] | (file[0x29A] << 8);
  return std::string(file.begin() + 0x2A3, file.begin() + 0x29B + static_cast<long>(length));
}

// The descriptor with the first `from` replaced by `to` (every one when `all`).
std::function<void(bytes&)> edit(std::string from, std::string to, bool all = false) {
  return [=](bytes& file) {
    std::string xml = descriptor_of(file);
    for (std::size_t at = xml.find(from); at != std::string::npos;
         at = all ? xml.find(from, at + to.size()) : std::string::npos)
      xml.replace(at, from.size(), to);
    set_descriptor(file, xml);
  };
}

TEST(office_crypto, damaged_encryption_information_is_an_error_not_a_crash) {
  using s = office_crypto_status;
  const char* e2013 = "access/encrypted/db2013-enc.accdb";
  const char* e2007 = "access/encrypted/db2007-enc.accdb";
  const std::vector<damaged_case> cases = {
      {"length past the page", e2013,
       [](bytes& f) {
         f[0x299] = 0xFF;
         f[0x29A] = 0xFF;
       },
       s::damaged_header},
      {"length too short for a version", e2013,
       [](bytes& f) {
         f[0x299] = 2;
         f[0x29A] = 0;
       },
       s::damaged_header},
      {"unknown version", e2013,
       [](bytes& f) {
         f[0x29B] = 9;
         f[0x29D] = 9;
       },
       s::unsupported_scheme},
      {"extensible version", e2013, [](bytes& f) { f[0x29D] = 3; }, s::unsupported_scheme},
      {"binary RC4 version", e2013,
       [](bytes& f) {
         f[0x29B] = 1;
         f[0x29D] = 1;
       },
       s::unsupported_scheme},
      {"reserved word", e2013, [](bytes& f) { f[0x29F] = 0x41; }, s::damaged_header},
      {"descriptor cut in half", e2013, [](bytes& f) { set_descriptor(f, descriptor_of(f).substr(0, 700)); },
       s::damaged_header},
      {"descriptor empty", e2007, [](bytes& f) { set_descriptor(f, ""); }, s::damaged_header},
      {"quote left open", e2007, edit("saltSize=\"16\"", "saltSize=\"16"), s::damaged_header},
      {"huge spin count", e2013, edit("spinCount=\"100000\"", "spinCount=\"4294967295\""), s::damaged_header},
      {"spin count not a number", e2013, edit("spinCount=\"100000\"", "spinCount=\"1e5\""), s::damaged_header},
      {"cipher DES", e2013, edit("cipherAlgorithm=\"AES\"", "cipherAlgorithm=\"DES\"", true), s::unsupported_scheme},
      {"chaining CFB", e2007, edit("ChainingModeCBC", "ChainingModeCFB", true), s::unsupported_scheme},
      {"hash WHIRLPOOL", e2013, edit("hashAlgorithm=\"SHA512\"", "hashAlgorithm=\"WHIRLPOOL\"", true),
       s::unsupported_scheme},
      {"key bits 100", e2013, edit("keyBits=\"256\"", "keyBits=\"100\"", true), s::damaged_header},
      {"hash size not the hash's", e2007, edit("hashSize=\"20\"", "hashSize=\"64\""), s::damaged_header},
      {"certificate encryptor only", e2013, edit("keyEncryptor/password\"><p:", "keyEncryptor/certificate\"><p:"),
       s::unsupported_scheme},
      {"no keyData", e2007, edit("<keyData ", "<keyDatum "), s::damaged_header},
      {"bad base64", e2013, edit("encryptedKeyValue=\"Q", "encryptedKeyValue=\"!"), s::damaged_header},
      {"empty salt", e2007, edit("saltValue=\"x8auqBWNRtGDHQwze+aBVg==\"", "saltValue=\"\""), s::damaged_header},
      {"short verifier hash", e2013,
       edit("encryptedVerifierHashValue=\"C", "encryptedVerifierHashValue=\"AAAAAAAAAAAAAAAAAAAAAA==\" x=\"C"),
       s::damaged_header},
      {"key value not whole blocks", e2007,
       edit("encryptedKeyValue=\"o0cj94OxoyHGQ6CDwqTdBg==\"", "encryptedKeyValue=\"o0cj\""), s::damaged_header},
      {"file cut inside the header", e2013, [](bytes& f) { f.resize(0x2A0); }, s::damaged_header},
      {"file of a few bytes", e2013, [](bytes& f) { f.resize(40); }, s::damaged_header},
      {"empty file", e2013, [](bytes& f) { f.clear(); }, s::damaged_header},
  };
  const std::string dir = test_env::make_temp_dir();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    bytes file = read_file_bytes(test_env::testdata_path(c.file));
    c.damage(file);
    const std::string path = dir + "/damaged.accdb";
    write_file_bytes(path, file);
    const std::wstring password = c.file == e2013 ? L"1234" : L"Test123";
    auto opened = office_crypto_open(path.c_str(), password);
    EXPECT_EQ(opened.status, c.expected) << opened.detail;
    EXPECT_EQ(opened.stream, nullptr);
    EXPECT_FALSE(opened.detail.empty());
  }
}

TEST(office_crypto, missing_file_cannot_be_read) {
  auto opened = office_crypto_open("/nonexistent/db.accdb", L"x");
  EXPECT_EQ(opened.status, office_crypto_status::cannot_read);
}

struct cryptoapi_case {
  const char* what;
  cryptoapi_fixture fixture;
};

TEST(office_crypto, cryptoapi_schemes_decrypt_to_the_plain_pages) {
  const std::vector<cryptoapi_case> cases = {
      {"RC4 40-bit, Base provider default", {false, 0, u"Microsoft Base Cryptographic Provider v1.0", u"Secret1"}},
      {"RC4 128-bit", {false, 128, u"Microsoft Enhanced Cryptographic Provider v1.0", u"Pässwort"}},
      {"RC4 56-bit", {false, 56, u"", u"x"}},
      {"standard AES-128", {true, 128, u"Microsoft Enhanced RSA and AES Cryptographic Provider", u"Secret1"}},
      {"standard AES-256", {true, 256, u"Microsoft Enhanced RSA and AES Cryptographic Provider", u"Secret1"}},
  };
  const std::string plain_path = test_env::testdata_path("access/ace/testV2007.accdb");
  const bytes plain = read_file_bytes(plain_path);
  mdb_ptr plain_mdb(mdb_open(plain_path.c_str(), MDB_NOFLAGS));
  ASSERT_NE(plain_mdb, nullptr);
  const auto plain_tables = mdb_user_tables(plain_mdb.get());
  const rows plain_rows = mdb_table_rows(plain_mdb.get(), "Table1");
  ASSERT_FALSE(plain_rows.empty());

  const std::string dir = test_env::make_temp_dir();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string path = dir + "/cryptoapi.accdb";
    const bytes header_page = write_cryptoapi_copy(plain, path, c.fixture);
    ASSERT_TRUE(office_crypto_file_is_encrypted(path.c_str()));

    // The password as typed reaches the reader as wide text.
    const std::wstring password(c.fixture.password.begin(), c.fixture.password.end());
    EXPECT_EQ(office_crypto_open(path.c_str(), password + L"x").status, office_crypto_status::wrong_password);
    EXPECT_EQ(office_crypto_open(path.c_str(), L"").status, office_crypto_status::wrong_password);

    auto opened = office_crypto_open(path.c_str(), password);
    ASSERT_EQ(opened.status, office_crypto_status::ok) << opened.detail;
    // Reads of an odd size cross page boundaries; every byte comes back as the plain file's.
    bytes read_back;
    std::vector<char> chunk(1000);
    for (std::size_t n; (n = std::fread(chunk.data(), 1, chunk.size(), opened.stream)) > 0;)
      read_back.insert(read_back.end(), chunk.begin(), chunk.begin() + static_cast<long>(n));
    ASSERT_EQ(read_back.size(), plain.size());
    EXPECT_TRUE(std::equal(read_back.begin(), read_back.begin() + page_size, header_page.begin()));
    EXPECT_TRUE(std::equal(read_back.begin() + page_size, read_back.end(), plain.begin() + page_size));
    // Jumping back and forth, as libmdb does between a row and its memo, gives the same pages.
    bytes page(page_size);
    for (std::size_t p = plain.size() / page_size - 1; p > 0; p = p > 64 ? p - 63 : p - 1) {
      for (std::size_t q : {p, (p + 1) / 2, p}) {
        ASSERT_EQ(std::fseek(opened.stream, static_cast<long>(q * page_size), SEEK_SET), 0);
        ASSERT_EQ(std::fread(page.data(), 1, page_size, opened.stream), page_size);
        EXPECT_TRUE(std::equal(page.begin(), page.end(), plain.begin() + static_cast<long>(q * page_size))) << q;
      }
    }

    mdb_ptr mdb(mdb_open_over_stream(path, opened.stream));
    ASSERT_NE(mdb, nullptr);
    EXPECT_EQ(mdb_user_tables(mdb.get()), plain_tables);
    EXPECT_EQ(mdb_table_rows(mdb.get(), "Table1"), plain_rows);
  }
}

TEST(office_crypto, damaged_cryptoapi_header_is_an_error) {
  using s = office_crypto_status;
  const bytes plain = read_file_bytes(test_env::testdata_path("access/ace/testV2007.accdb"));
  const std::string dir = test_env::make_temp_dir();
  const std::string path = dir + "/cryptoapi.accdb";
  const cryptoapi_fixture rc4{false, 128, u"Microsoft Enhanced Cryptographic Provider v1.0", u"pw"};
  const bytes good = [&] {
    write_cryptoapi_copy(plain, path, rc4);
    return read_file_bytes(path);
  }();
  // Offsets into the encryption information, which starts at 0x29B with its version.
  const auto at = [](std::size_t info_offset) { return 0x29B + info_offset; };
  const std::vector<std::pair<const char*, std::function<void(bytes&)>>> damaged = {
      {"header size past the end",
       [&](bytes& f) {
         f[at(8)] = 0xFF;
         f[at(9)] = 0x7F;
       }},
      {"header size below its fields", [&](bytes& f) { f[at(8)] = 8; }},
      {"salt size 8",
       [&](bytes& f) {
         const std::size_t h = f[at(8)];
         f[at(12 + h)] = 8;
       }},
      {"RC4 key of 200 bits", [&](bytes& f) { f[at(12 + 16)] = 200; }},
      {"RC4 key of 44 bits", [&](bytes& f) { f[at(12 + 16)] = 44; }},
      {"verifier cut off",
       [&](bytes& f) {
         const std::size_t len = (f[0x299] | (f[0x29A] << 8)) - 30;
         f[0x299] = static_cast<std::uint8_t>(len);
         f[0x29A] = static_cast<std::uint8_t>(len >> 8);
       }},
  };
  const std::vector<std::pair<const char*, std::function<void(bytes&)>>> unsupported = {
      {"extensible flag", [&](bytes& f) { f[at(12)] |= 0x10; }},
      {"no CryptoAPI flag", [&](bytes& f) { f[at(12)] = 0; }},
      {"RC2 cipher",
       [&](bytes& f) {
         f[at(12 + 8)] = 0x02;
         f[at(12 + 9)] = 0x66;
       }},
      {"MD5 hash", [&](bytes& f) { f[at(12 + 12)] = 0x03; }},
  };
  for (const auto& [list, expected] :
       {std::pair{&damaged, s::damaged_header}, std::pair{&unsupported, s::unsupported_scheme}}) {
    for (const auto& [what, damage] : *list) {
      SCOPED_TRACE(what);
      bytes file = good;
      damage(file);
      write_file_bytes(path, file);
      auto opened = office_crypto_open(path.c_str(), L"pw");
      EXPECT_EQ(opened.status, expected) << opened.detail;
      EXPECT_EQ(opened.stream, nullptr);
    }
  }
}

}  // namespace
