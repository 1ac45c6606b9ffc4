// The columns of a table being defined for the server, keeping count of the row size: a row the
// server counts too wide is refused with the whole table, so the widest texts become long texts.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "SQL/sql_row_size.h"
#include "UDB/udb_schema.h"

class udb_indexes;

class sql_schema : public udb_schema {
 public:
  sql_schema();

  // Columns that indexes name (by the names push_back will see): they become long texts only
  // when no other text column is left, since a long text cannot be a key. Set before push_back.
  void set_indexed_columns(const udb_indexes& indexes);

  // Where the table is created and how wide each column's characters are, by its descriptor.
  // Set before push_back. Unset: the 65535-byte limit only, four bytes a character.
  void set_target(const sql_row_limits& limits, std::function<std::uint32_t(const t_ftd&)> char_bytes);

  // Appends the descriptor (kept, not owned; must not be null) and applies the row-size rule,
  // which may set the size of this or an earlier text column to 0 (a long text).
  void push_back(t_ftd* descriptor);

  // Row size in bytes as the server counts it against its 65535-byte limit: each column's
  // stored size with its length bytes (long values by their pointer), and the NULL flags.
  std::uint32_t total_size = 0;
  // The record size InnoDB counts against half a page; counted for every engine.
  std::uint32_t page_size = 0;
  // Positions of the text columns that may still become long texts, in the order they would
  // for the 65535-byte limit: columns no index names first, each group widest first.
  std::vector<std::uint32_t> lobs;

 private:
  bool is_indexed(const std::wstring& name) const;
  // True when the column at position a goes to a long text before the column at b.
  bool converts_before(std::uint32_t a, std::uint32_t b) const;
  sql_column_bytes measure(const t_ftd& column, const std::wstring& type) const;
  void update_totals();
  bool row_too_wide() const;
  // The entry of lobs to convert next, or lobs.size() when none would make the row narrower.
  std::size_t pick_lob() const;
  void convert(std::size_t entry);

  std::vector<std::wstring> indexed_;
  sql_row_limits limits_;
  std::function<std::uint32_t(const t_ftd&)> char_bytes_;
  std::vector<sql_column_bytes> bytes_;  // per column, as counted now
  std::uint32_t nullable_ = 0;
  std::uint64_t row_columns_ = 0;   // the columns' share of total_size
  std::uint64_t page_columns_ = 0;  // and of page_size
};
