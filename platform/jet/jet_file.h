// An open Access file: its header (format, code page, database password), the table
// definitions stored in it and the text decoding its format needs. One of the two files that
// call libmdb (the other is the row cursor), so libmdb can be replaced without touching the rest.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/jet/jet_text.h"
#include "platform/jet/jet_types.h"

namespace jet {

enum class jet_status {
  ok,
  file_not_found,    // no such file, or it cannot be opened for reading
  not_access,        // not an Access database (wrong signature, too short, unknown version)
  bad_password,      // the database password given does not match the one in the header
  office_encrypted,  // an Office-encrypted .accdb in a scheme the decryption does not read
  corrupt,           // the header is an Access header but the file cannot be read
};

struct jet_header {
  int version_byte = 0;  // byte 20: 0 Jet 3, 1 Jet 4, 2 to 6 ACE
  jet_format format = jet_format::jet4;
  unsigned code_page = 1252;  // the code page of Jet 3 text
  bool page_encoded = false;  // pages are RC4-encoded with a key from the header
  std::wstring password;      // the database password, empty when there is none
  std::uint32_t page_size = 4096;
};

// A table definition: its live columns in row order and its row count.
struct jet_table_def {
  std::uint32_t page = 0;
  std::vector<jet_column> columns;
  std::uint32_t row_count = 0;
};

// One index of a table as its definition page stores it.
struct jet_index_column {
  int column = 0;  // position in jet_table_def::columns
  bool descending = false;
};

struct jet_index_def {
  std::wstring name;
  int number = 0;      // the index's own number
  int real_index = 0;  // the stored index it shares its keys with
  std::vector<jet_index_column> columns;
  bool primary = false;
  bool unique = false;
  bool ignore_nulls = false;
  bool required = false;
  bool foreign = false;  // kept for a relationship
  // A relationship's entry: which side this is (1 the referenced table, 2 the foreign one),
  // the other side's definition page and entry number, and the cascade flags.
  std::uint8_t rel_side = 0;
  std::uint32_t rel_table_page = 0;
  std::int32_t rel_index = -1;
  std::uint8_t cascade_updates = 0;
  std::uint8_t cascade_deletes = 0;
};

class jet_cursor;

class jet_file {
 public:
  // Opens the file read-only and checks the database password (Jet 3 and Jet 4; an empty
  // `password` matches only a database without one). `out` is set only on jet_status::ok.
  static jet_status open(const std::string& path, const std::wstring& password, std::unique_ptr<jet_file>& out);
  // The same over the bytes of a whole file already in memory (a decrypted .accdb).
  static jet_status open_bytes(std::vector<std::uint8_t> bytes, const std::wstring& password,
                               std::unique_ptr<jet_file>& out);
  ~jet_file();
  jet_file(const jet_file&) = delete;
  jet_file& operator=(const jet_file&) = delete;

  const jet_header& header() const { return header_; }
  const std::string& path() const { return path_; }

  // Reads the definition of the table whose definition page is `page`. False when the page
  // holds no readable table definition.
  bool read_table(std::uint32_t page, jet_table_def& out) const;
  // The indexes of that table, with the columns of each in key order.
  bool read_indexes(std::uint32_t page, std::vector<jet_index_def>& out) const;

  // The bytes of the table definition that starts at `page`: its chain of pages joined.
  bool read_definition(std::uint32_t page, std::vector<std::uint8_t>& out) const;

  // Text of a value or a name as this file stores it.
  std::wstring decode_text(const std::uint8_t* data, std::size_t size) const;

  struct internals;
  internals& impl() const { return *impl_; }

 private:
  jet_file() = default;
  // The rest of `open` for an .accdb whose pages carry Office encryption: the password unlocks
  // a stream that decrypts the pages as libmdb reads them.
  static jet_status open_office_encrypted(std::unique_ptr<jet_file> file, const std::wstring& password,
                                          std::unique_ptr<jet_file>& out);
  static jet_status finish_open(std::unique_ptr<jet_file> file, const std::wstring& password,
                                std::unique_ptr<jet_file>& out);
  std::string path_;
  jet_header header_;
  std::unique_ptr<jet_codepage> codepage_;
  std::unique_ptr<internals> impl_;
};

// Reads and decodes the fixed header page (page 0) of an Access file. Exposed for the
// workgroup check and the tests; `page0` must hold at least 128 bytes past offset 0x18.
jet_status jet_read_header(const std::uint8_t* page0, std::size_t size, jet_header& out);

}  // namespace jet
