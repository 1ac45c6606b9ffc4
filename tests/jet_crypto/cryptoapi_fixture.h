// Test fixtures: a plain Access 2007 file re-encrypted with the CryptoAPI schemes (RC4 and
// standard AES), for which no file made by Access is at hand; and libmdb reading through a stream.
#pragma once

#include <glib.h>
#include <mdbtools.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct cryptoapi_fixture {
  bool aes = false;         // standard AES (ECB) instead of RC4
  unsigned key_bits = 128;  // as written in the header; 0 lets the provider name decide (RC4)
  std::u16string provider;  // the crypto service provider's name in the header
  std::u16string password;
};

// The encoding key the fixture writes into the header (every page's block key mixes it in).
inline constexpr std::uint32_t fixture_encoding_key = 0x2A5F1C3D;

// Reads a whole file.
std::vector<std::uint8_t> read_file_bytes(const std::string& path);
void write_file_bytes(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Writes `plain` (an unencrypted Access 2007+ file) encrypted as `f` says to `out_path`; answers
// the bytes its header page holds (the other pages decrypt back to those of `plain`).
std::vector<std::uint8_t> write_cryptoapi_copy(const std::vector<std::uint8_t>& plain, const std::string& out_path,
                                               const cryptoapi_fixture& f);

// Opens `path` with libmdb and gives it `stream` to read pages through, as the Jet file layer does;
// nullptr when libmdb refuses the file (the stream is closed then).
MdbHandle* mdb_open_over_stream(const std::string& path, std::FILE* stream);

// The user tables libmdb lists, and the rows of one table as text (NULL reads as "").
std::vector<std::string> mdb_user_tables(MdbHandle* mdb);
std::vector<std::vector<std::string>> mdb_table_rows(MdbHandle* mdb, const std::string& table);
