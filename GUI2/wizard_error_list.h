// The errors of a wizard run, collected on the worker thread while the run goes on and shown by
// the finish page afterwards. Guarded by a lock: the worker appends while the UI thread may read.
#pragma once

#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

class wizard_error_list {
 public:
  // The finish page shows at most this many; later reports only reach the log, and are counted.
  static constexpr std::size_t max_entries = 20;

  // Appends `text` when the list is not full; false when it was only counted.
  bool add(const std::string& text);
  std::vector<std::string> entries() const;
  // Reports that came after the list was full.
  std::size_t dropped() const;
  bool empty() const;
  void clear();

 private:
  mutable std::mutex mutex_;
  std::vector<std::string> entries_;
  std::size_t dropped_ = 0;
};
