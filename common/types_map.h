// Per-table statistics the run gathers while it copies rows: types_map is their base, dates_map
// notes for each date column whether its values hold dates, times or both. The findings only
// reach the log.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class udb_record;
class udb_schema;

class types_map {
 public:
  explicit types_map(const std::wstring& table);
  virtual ~types_map() = default;
  virtual void add_rec_stat(const udb_record& record) = 0;

 protected:
  std::wstring table_;
};

class dates_map : public types_map {
 public:
  // What a date column's values need: 0 CHAR(19) (mixed or unreadable), 1 DATETIME, 2 DATE,
  // 3 TIME.
  enum kind : std::uint32_t { as_char = 0, as_datetime = 1, as_date = 2, as_time = 3 };

  struct entry {
    std::uint32_t column;
    std::wstring name;
    std::uint32_t kind;
    bool is_date;
    bool seen;
  };

  // dates_only: only the columns of type VT_DATE are watched.
  dates_map(const std::wstring& table, const udb_schema& schema, bool dates_only);
  void add_rec_stat(const udb_record& record) override;

  const std::vector<entry>& entries() const { return entries_; }

 private:
  std::vector<entry> entries_;
};
