// The pages of an Access file being written: pages are appended at the end of the file or
// rewritten in place, always whole, so the file never holds a torn page.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace jet {

class jet_page_store {
 public:
  // Creates `path` for writing (it must not exist yet: the writer works under a temporary
  // name and never overwrites a file). False when the file cannot be created.
  bool create(const std::string& path, std::size_t page_size);
  ~jet_page_store();
  jet_page_store() = default;
  jet_page_store(const jet_page_store&) = delete;
  jet_page_store& operator=(const jet_page_store&) = delete;

  // Appends one page of exactly page_size() bytes; `number` receives its page number.
  bool append(const std::vector<std::uint8_t>& page, std::uint32_t& number);
  // A page number past every page so far, its bytes to follow through write (the file grows
  // when they do).
  std::uint32_t reserve() { return page_count_++; }
  // Writes a page appended or reserved before.
  bool write(std::uint32_t number, const std::vector<std::uint8_t>& page);
  bool read(std::uint32_t number, std::vector<std::uint8_t>& page);
  // Flushes to the disk and closes; false when any write failed on the way. `error` receives
  // the errno of the first failure.
  bool close();
  int error() const { return errno_; }

  std::uint32_t page_count() const { return page_count_; }
  std::size_t page_size() const { return page_size_; }

 private:
  bool put(std::uint32_t number, const std::vector<std::uint8_t>& page);
  std::FILE* file_ = nullptr;
  std::size_t page_size_ = 0;
  std::uint32_t page_count_ = 0;
  bool failed_ = false;
  int errno_ = 0;
};

}  // namespace jet
