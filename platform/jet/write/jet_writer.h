// A new Access file (Jet 4: Access 2000-2003 format, 4,096-byte pages, General legacy sort
// order), written append-only: tables are defined, rows appended, and Close writes what is
// still pending and renames the file into place. Until Close the file lives under a temporary
// name in the target's folder, so a crash or kill never leaves a half file under the target's
// name. Every failure is a jet_write_error carrying the DAO error number and text.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/jet/jet_types.h"
#include "platform/jet/write/jet_header_page.h"
#include "platform/jet/write/jet_write_error.h"

namespace jet {

// One column of a new table, as the DAO field describes it.
struct jet_new_column {
  std::wstring name;
  int type = jet_text;             // jet_col_type; the writer refuses types it does not write
  int size = 0;                    // bytes as stored: text 2 × characters, memo and OLE 0
  bool required = false;           // property Required
  bool allow_zero_length = false;  // property AllowZeroLength (text and memo)
  bool auto_increment = false;     // AutoNumber (Long only)
  std::wstring default_value;      // property DefaultValue, an Access expression; empty: none
  int precision = 0;               // Decimal
  int scale = 0;                   // Decimal
};

using jet_table_id = std::size_t;

// One key column of a new index, by the column's name.
struct jet_new_index_column {
  std::wstring name;
  bool descending = false;
};

// An index of a table, as the DAO Index describes it. A primary key is unique and required.
struct jet_new_index {
  std::wstring name;
  std::vector<jet_new_index_column> columns;  // 1 to 10
  bool primary = false;
  bool unique = false;
  bool ignore_nulls = false;
  bool required = false;
};

// Access's own limits on the indexes of one table.
constexpr std::size_t jet_index_most_columns = 10;
constexpr std::size_t jet_index_most_per_table = 32;

// A relationship between two tables, as the DAO Relation describes it.
struct jet_new_relationship {
  std::wstring name;
  std::wstring table;                         // the referenced table (DAO's Table)
  std::wstring foreign_table;                 // the table holding the foreign key (DAO's ForeignTable)
  std::vector<std::wstring> columns;          // of `table`, in key order
  std::vector<std::wstring> foreign_columns;  // of `foreign_table`, pairwise with `columns`
  std::int32_t attributes = 0;                // DAO relation attributes: 0x2 not enforced, 0x100 and 0x1000 cascades
};

class jet_writer {
 public:
  virtual ~jet_writer() = default;

  // Starts a blank database for `path`. Refuses a path that exists (3204) or whose folder
  // cannot be written.
  static std::unique_ptr<jet_writer> create(const std::string& path, const jet_header_options& options);

  // Defines a table; names are compared without regard to case (3010 when taken).
  virtual jet_table_id add_table(const std::wstring& name, const std::vector<jet_new_column>& columns) = 0;
  // Removes a table defined earlier, rows and all.
  virtual void delete_table(const std::wstring& name) = 0;
  // Appends one row: one value per column, in column order (jet_null for NULL). A row that
  // does not fit the format's row limit is refused with 3047, one that repeats a key of a
  // unique index with 3022, one with a NULL in a required index (a primary key) with 3058;
  // nothing of a refused row is written.
  virtual void append_row(jet_table_id table, const std::vector<jet_value>& values) = 0;
  virtual std::uint32_t row_count(jet_table_id table) const = 0;

  // Adds an index to a table and answers its number among the table's named indexes. It shares
  // the stored index of an earlier one on the same columns with the same flags, as Access does.
  // Rows already stored get their entries at once, so a unique index over duplicate rows is
  // refused here (3022); later rows that would repeat a unique key are refused by append_row.
  // Refuses: a name taken in the table (3284), a second primary key (3283), a missing column
  // (3265), no column or more than 10 (3190), an OLE column (3259), a 33rd index (3626).
  virtual int add_index(jet_table_id table, const jet_new_index& index) = 0;

  // Adds a relationship. An enforced one needs a unique index on exactly the referenced
  // columns (3609); the foreign table gets an index on its columns for it, sharing one on the
  // same columns where there is one, and every row already stored must find its referenced row
  // (3379). Refuses: a name taken (3367), a table missing (3078), no column pair (3366), a
  // column missing (3409), pairs that differ in number or type (3368), a Memo or OLE column
  // (3259), more than 10 pairs (3190), a 33rd index on either table (3626). A refused
  // relationship leaves nothing behind. Tables in a relationship cannot be deleted (3303).
  virtual void add_relationship(const jet_new_relationship& relationship) = 0;

  // Writes definitions, maps, catalog rows and the header, then renames the file to `path`.
  virtual void close() = 0;
  // Gives up: the temporary file is removed, nothing appears under `path`. The destructor
  // does this when close was not called.
  virtual void abandon() = 0;
};

}  // namespace jet
