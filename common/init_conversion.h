// The scope of one conversion run: it marks the run's start and end in the log and to the front
// end, starts and stops COM when asked, and sets the converter's done flag when the run is over.
#pragma once

#include <atomic>
#include <cstdint>

class init_conversion {
 public:
  // done: set true by the destructor. skip_com non-zero: COM is left to the Access engine.
  init_conversion(std::atomic<bool>* done, std::uint32_t skip_com);
  ~init_conversion();

  init_conversion(const init_conversion&) = delete;
  init_conversion& operator=(const init_conversion&) = delete;

 private:
  std::uint32_t skip_com_;
  std::atomic<bool>* done_;
};
