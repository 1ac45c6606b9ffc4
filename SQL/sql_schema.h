// The columns of a table being defined for the server, keeping count of the row size: a row of
// 65536 bytes or more is refused by the server, so the largest text columns become long texts.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "UDB/udb_schema.h"

class udb_indexes;

class sql_schema : public udb_schema {
 public:
  sql_schema();

  // Columns that indexes name (by the names push_back will see): they become long texts only
  // when no other text column is left, since a long text cannot be a key. Set before push_back.
  void set_indexed_columns(const udb_indexes& indexes);

  // Appends the descriptor (kept, not owned; must not be null) and applies the row-size rule,
  // which may set the size of this or an earlier text column to 0 (a long text).
  void push_back(t_ftd* descriptor);

  // Row size in bytes as the server counts it: four bytes a character for texts of 1 to 21844
  // characters, the size of other columns below 5592405 bytes, nothing for long values.
  std::uint32_t total_size = 0;
  // Positions of the text columns that may still become long texts, in the order they would:
  // columns no index names first, each group largest first.
  std::vector<std::uint32_t> lobs;

 private:
  bool is_indexed(const std::wstring& name) const;
  // True when the column at position a goes to a long text before the column at b.
  bool converts_before(std::uint32_t a, std::uint32_t b) const;

  std::vector<std::wstring> indexed_;
};
