// The dates and times of one table whose fraction of a second was dropped on the way: counted per
// column while the rows are copied, so that the user learns of each column once, not per row.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class udb_record;

class vandry_dropped_fractions {
 public:
  struct column {
    std::wstring name;
    std::uint64_t values = 0;
    std::uint64_t first_record = 0;  // as the run counts rows, from 1
  };

  // Counts the row's values that lost a fraction of a second.
  void note(const udb_record& row, std::uint64_t record);
  // The columns that lost one, in the order they first did.
  const std::vector<column>& columns() const { return columns_; }
  // What the user reads about one column.
  static std::string report_text(const column& c);

 private:
  std::vector<column> columns_;
};
