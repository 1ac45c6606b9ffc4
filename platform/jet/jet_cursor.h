// A forward row cursor over one table of an open Access file, with the values of the current
// row decoded by our own rules. The second of the two files that call libmdb. The SQL layer puts
// its virtual tables over this interface: keep it small and stable.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_file.h"
#include "platform/jet/jet_types.h"

namespace jet {

class jet_cursor {
 public:
  // A cursor over the table whose definition starts at `table_page` of `file`; the file must
  // outlive the cursor. Several cursors may walk one file at once on one thread.
  jet_cursor(const jet_file& file, std::uint32_t table_page);
  // A cursor over a table of the catalog, whose calculated columns read their values as the
  // type their ResultType property names (their definition alone does not tell it).
  jet_cursor(const jet_file& file, const jet_object& table);
  ~jet_cursor();
  jet_cursor(const jet_cursor&) = delete;
  jet_cursor& operator=(const jet_cursor&) = delete;

  // False when the table definition could not be read; such a cursor has no rows.
  bool valid() const;
  const std::vector<jet_column>& columns() const;
  // The row count the table definition stores.
  std::uint32_t row_count() const;

  // Back to before the first row.
  void rewind();
  // Moves to the next live row; false (and no current row) at the end.
  bool next();

  // Where the current row is stored (its data page and row slot), stable for the life of the
  // file; seek() goes back to it without walking the table, so joins can look rows up.
  std::uint64_t position() const;
  // To the row at a position that position() reported; false (and no current row) when the
  // position holds no readable row.
  bool seek(std::uint64_t position);

  // True once a row or page of the table could not be read: the rows walked are all the
  // readable ones, but not all the table holds.
  bool damaged() const;
  // The first thing that could not be read, in words ("page 12 lies past the end of the
  // file"): why damaged() is true or why the cursor is not valid().
  const std::wstring& damage() const;

  // Values of the current row, by position in columns(); only valid after next() answered true
  // and until the cursor moves.
  bool is_null(std::size_t column) const;
  jet_value value(std::size_t column) const;
  // The stored bytes of a column: long values (memo, OLE) joined from their pages.
  jet_bytes bytes(std::size_t column) const;

 private:
  struct state;
  std::unique_ptr<state> s_;
};

}  // namespace jet
