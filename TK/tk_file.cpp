// The stdio random-access file with 64-bit offsets.
#include "TK/tk_file.h"

#include <cinttypes>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_fname.h"
#include "TK/tk_logger.h"

namespace {
const char kReadError[] = "Error reading from file";
const char kWriteError[] = "Cannot write into file";

void seek(FILE* f, std::uint64_t offset, int whence, const char* error) {
  if (offset > static_cast<std::uint64_t>(INT64_MAX) || fseeko(f, static_cast<off_t>(offset), whence) != 0) {
    throw tk_exception(error, tk_kind_error);
  }
}
}  // namespace

tk_file::tk_file(const std::string& name, tk_file_mode mode) : mode_(mode) {
  tk_log1(tk_log_detail, "tk_file::tk_file(%s)", name.c_str());
  if (name.empty()) throw tk_mail_assertion("tk_file", 20);
  name_ = tk_file_name(name).make_path();
  tk_log1(tk_log_trace, "Canonized file name: %s", name_.c_str());
  if ((mode & tk_file_write) == 0 && !tk_is_file_exist1(name_, tk_file_exists)) {
    throw tk_exception("Bad path or busy with another process", tk_kind_error);
  }
}

tk_file::~tk_file() {
  tk_log1(tk_log_detail, "tk_file::~tk_file");
  if (stream_ != nullptr) std::fclose(stream_);
}

bool tk_file::is_eof() { return stream_ != nullptr && std::feof(stream_) != 0; }

tk_stdio_file::tk_stdio_file(const std::string& name, tk_file_mode mode) : tk_file(name, mode) {
  tk_log1(tk_log_detail, "tk_stdio_file::ctor(%s)", name.c_str());
  const char* how = (mode & tk_file_create) == tk_file_create ? "w+b" : (mode & tk_file_write) ? "r+b" : "rb";
  stream_ = std::fopen(name_.c_str(), how);
  if (stream_ == nullptr) throw tk_exception("Error opening file", tk_kind_error);
}

void* tk_stdio_file::get_at(std::uint64_t offset, void* buffer, std::uint64_t length) {
  tk_log1(tk_log_trace, "tk_stdio_file::get_at(%" PRIu64 ",%" PRIu64 ")", offset, length);
  std::uint64_t size = get_length();
  if (offset > size || length > size - offset) {
    tk_log1(tk_log_detail, "Reading out of range: offset=%" PRIu64 ", length=%" PRIu64 ", file size=%" PRIu64, offset,
            length, size);
    throw tk_exception(kReadError, tk_kind_error);
  }
  seek(stream_, offset, SEEK_SET, kReadError);
  // A block count other than 1 (a short read, or a length of 0) is a failed read.
  if (std::fread(buffer, static_cast<std::size_t>(length), 1, stream_) != 1) {
    throw tk_exception(kReadError, tk_kind_error);
  }
  return buffer;
}

std::uint8_t tk_stdio_file::get_byte(std::uint64_t offset) {
  std::uint8_t b[1] = {0};
  get_at(offset, b, 1);
  return b[0];
}

std::uint16_t tk_stdio_file::get_word(std::uint64_t offset) {
  std::uint8_t b[2] = {0, 0};
  get_at(offset, b, 2);
  return static_cast<std::uint16_t>(b[0] | (b[1] << 8));
}

std::uint32_t tk_stdio_file::get_dword(std::uint64_t offset) {
  std::uint8_t b[4] = {0, 0, 0, 0};
  get_at(offset, b, 4);
  return static_cast<std::uint32_t>(b[0]) | (static_cast<std::uint32_t>(b[1]) << 8) |
         (static_cast<std::uint32_t>(b[2]) << 16) | (static_cast<std::uint32_t>(b[3]) << 24);
}

std::uint64_t tk_stdio_file::get_length() {
  tk_log1(tk_log_trace, "tk_stdio_file::get_length");
  off_t here = ftello(stream_);
  if (here < 0) throw tk_exception(kReadError, tk_kind_error);
  seek(stream_, 0, SEEK_END, kReadError);
  off_t end = ftello(stream_);
  seek(stream_, static_cast<std::uint64_t>(here), SEEK_SET, kReadError);
  if (end < 0) throw tk_exception(kReadError, tk_kind_error);
  tk_log1(tk_log_trace, "Got file size: %" PRId64, static_cast<std::int64_t>(end));
  return static_cast<std::uint64_t>(end);
}

void tk_stdio_file::put_at(std::uint64_t offset, const void* buffer, std::uint64_t length) {
  tk_log1(tk_log_trace, "tk_stdio_file::put_at(%" PRIu64 ",%" PRIu64 ")", offset, length);
  std::uint64_t size = get_length();
  if (offset > size) {
    tk_log1(tk_log_trace, "offset > file_size, padding with nulls");
    seek(stream_, 0, SEEK_END, kReadError);
    std::vector<char> zeros(64 * 1024, '\0');
    for (std::uint64_t left = offset - size; left > 0;) {
      std::size_t n = left < zeros.size() ? static_cast<std::size_t>(left) : zeros.size();
      if (std::fwrite(zeros.data(), n, 1, stream_) != 1) throw tk_exception(kWriteError, tk_kind_error);
      left -= n;
    }
  }
  seek(stream_, offset, SEEK_SET, kReadError);
  if (std::fwrite(buffer, static_cast<std::size_t>(length), 1, stream_) != 1 || std::fflush(stream_) != 0) {
    throw tk_exception(kWriteError, tk_kind_error);
  }
}
