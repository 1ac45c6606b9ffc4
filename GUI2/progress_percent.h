// How far a run has got, from the counters the run writes: whole tables done plus the share of
// the table in progress. The raw figure can pass 100 (all tables done while the record counters
// still hold the last table's figures); a progress bar ignores a value outside its range, so it
// gets the clamped one.
#pragma once

#include <cstdint>

struct progress_counts {
  std::uint32_t tables_done = 0;
  std::uint32_t tables_total = 0;
  std::uint64_t records_done = 0;
  std::uint64_t records_total = 0;
};

// floor(tables_done * 100 / tables_total) + floor(floor(records_done * 100 / records_total) /
// tables_total); 0 without tables, no record term without records.
std::uint64_t progress_percent(const progress_counts& counts);
// The same, at most 100: what the bar shows.
int progress_bar_value(const progress_counts& counts);
