// Opening Access 2007+ files whose pages are encrypted with Office document encryption: telling
// whether a file is, and a read-only FILE* that checks the password and decrypts page by page.
//
// What it abstracts and why: libmdb reads every page through the `FILE *stream` of its MdbFile and
// knows nothing of Office encryption. The stream answered here reads the file itself and hands
// back plain Jet pages, so libmdb reads an encrypted database as if it were not; no decrypted copy
// is ever written to disk, and memory holds only the last 64 pages decrypted (256 KB).
//
// Handing the stream to libmdb (mdb_open takes a path, and the stream constructor is private):
//   MdbHandle* mdb = mdb_open(path, MDB_NOFLAGS);  // reads only page 0, which is never encrypted
//   fclose(mdb->f->stream);
//   mdb->f->stream = opened.stream;                // mdb_close() fcloses it
//   mdb->f->db_key = 0;                            // the pages are plain now: no Jet RC4 on top
// Nothing here throws: failures come back as an office_crypto_status.
#pragma once

#include <cstddef>
#include <cstdio>
#include <string>

// What opening an encrypted file came to. The Jet file layer turns each failure into its DAO
// error (a wrong password into 3031 "Not a valid password.").
enum class office_crypto_status {
  ok,                  // the password is right and the stream is open
  wrong_password,      // the password verifier rejects the password (also an empty one)
  damaged_header,      // the encryption information of the file cannot be read or is inconsistent
  unsupported_scheme,  // a scheme this reader does not decrypt (extensible, certificate only, ...)
  cannot_read,         // the file could not be opened or read
};

// Pages of every format that can carry Office encryption (Access 2007 and later) are this long.
inline constexpr std::size_t office_crypto_page_size = 4096;

// True when the first bytes of a file (at least its first 0x80 + 0x18 bytes) are the header of an
// Access 2007+ database whose pages carry Office encryption.
bool office_crypto_header_is_encrypted(const unsigned char* header, std::size_t size);

// The same for a file on disk; false when it cannot be read.
bool office_crypto_file_is_encrypted(const char* path);

struct office_crypto_open_result {
  office_crypto_status status = office_crypto_status::cannot_read;
  // The decrypting stream, read-only and seekable; set only when status is ok. The caller owns it
  // (fclose).
  std::FILE* stream = nullptr;
  // For the log: what was wrong, in a few words ("spin count 4294967295 out of range").
  std::string detail;
};

// Opens `path` (in the file system's encoding) and checks `password` against the verifier in the
// file's encryption information before any data page is read. The password is the one of the
// Connect text ";pwd=...", as typed; Office hashes at most its first 255 UTF-16 units.
office_crypto_open_result office_crypto_open(const char* path, const std::wstring& password);
