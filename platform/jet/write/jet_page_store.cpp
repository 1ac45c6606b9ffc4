// Whole-page writes to the file being built, with every failure remembered until close.
#include "platform/jet/write/jet_page_store.h"

#include <unistd.h>

#include <cerrno>

namespace jet {

bool jet_page_store::create(const std::string& path, std::size_t page_size) {
  if (file_ != nullptr || page_size == 0) return false;
  // "x": refuse an existing file rather than truncate it.
  file_ = std::fopen(path.c_str(), "w+bx");
  if (file_ == nullptr) return false;
  page_size_ = page_size;
  page_count_ = 0;
  failed_ = false;
  return true;
}

jet_page_store::~jet_page_store() {
  if (file_ != nullptr) std::fclose(file_);
}

bool jet_page_store::put(std::uint32_t number, const std::vector<std::uint8_t>& page) {
  if (file_ == nullptr || failed_ || page.size() != page_size_) return false;
  long offset = static_cast<long>(number) * static_cast<long>(page_size_);
  if (std::fseek(file_, offset, SEEK_SET) != 0 || std::fwrite(page.data(), 1, page.size(), file_) != page.size()) {
    failed_ = true;
    errno_ = errno;
    return false;
  }
  return true;
}

bool jet_page_store::append(const std::vector<std::uint8_t>& page, std::uint32_t& number) {
  if (!put(page_count_, page)) return false;
  number = page_count_++;
  return true;
}

bool jet_page_store::write(std::uint32_t number, const std::vector<std::uint8_t>& page) {
  if (number >= page_count_) return false;
  return put(number, page);
}

bool jet_page_store::read(std::uint32_t number, std::vector<std::uint8_t>& page) {
  if (file_ == nullptr || number >= page_count_) return false;
  page.assign(page_size_, 0);
  long offset = static_cast<long>(number) * static_cast<long>(page_size_);
  return std::fseek(file_, offset, SEEK_SET) == 0 && std::fread(page.data(), 1, page.size(), file_) == page.size();
}

bool jet_page_store::close() {
  if (file_ == nullptr) return false;
  bool ok = !failed_;
  // A full disk often shows only when the buffers go out or at fsync.
  if (ok && (std::fflush(file_) != 0 || ::fsync(fileno(file_)) != 0)) {
    ok = false;
    errno_ = errno;
  }
  if (std::fclose(file_) != 0 && ok) {
    ok = false;
    errno_ = errno;
  }
  file_ = nullptr;
  return ok;
}

}  // namespace jet
