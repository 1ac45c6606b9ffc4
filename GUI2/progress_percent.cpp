// How far a run has got.
#include "GUI2/progress_percent.h"

#include <algorithm>

std::uint64_t progress_percent(const progress_counts& c) {
  if (c.tables_total == 0) return 0;
  // The table term in 64 bits: more than 42 million tables would wrap a 32-bit product.
  std::uint64_t percent = std::uint64_t{c.tables_done} * 100 / c.tables_total;
  if (c.records_total != 0) percent += c.records_done * 100 / c.records_total / c.tables_total;
  return percent;
}

int progress_bar_value(const progress_counts& counts) {
  return static_cast<int>(std::min<std::uint64_t>(progress_percent(counts), 100));
}
