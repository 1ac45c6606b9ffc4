// Catching libmdb's standard-error text with a memory file swapped in for descriptor 2.
#include "platform/jet/jet_diagnostics.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <mutex>
#include <vector>

namespace jet {

namespace {

std::recursive_mutex& guard_mutex() {
  static std::recursive_mutex m;
  return m;
}

jet_diagnostic_sink& sink() {
  static jet_diagnostic_sink s;
  return s;
}

thread_local int depth = 0;
int saved_fd = -1;

int capture_fd() {
  static int fd = memfd_create("jet-diagnostics", MFD_CLOEXEC);
  return fd;
}

void forward(const std::string& text) {
  if (!sink()) return;
  std::size_t start = 0;
  while (start < text.size()) {
    std::size_t end = text.find('\n', start);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) sink()(line);
    start = end + 1;
  }
}

}  // namespace

void jet_set_diagnostic_sink(jet_diagnostic_sink s) {
  std::lock_guard<std::recursive_mutex> lock(guard_mutex());
  sink() = std::move(s);
}

jet_stderr_guard::jet_stderr_guard() {
  guard_mutex().lock();
  if (depth++ > 0) return;
  int fd = capture_fd();
  if (fd < 0) return;
  std::fflush(stderr);
  saved_fd = dup(2);
  if (saved_fd < 0) return;
  if (dup2(fd, 2) < 0) {
    close(saved_fd);
    saved_fd = -1;
    return;
  }
  outermost_ = true;
}

jet_stderr_guard::~jet_stderr_guard() {
  --depth;
  if (outermost_) {
    std::fflush(stderr);
    dup2(saved_fd, 2);
    close(saved_fd);
    saved_fd = -1;
    int fd = capture_fd();
    off_t size = lseek(fd, 0, SEEK_CUR);
    if (size > 0) {
      std::string text(static_cast<std::size_t>(size), '\0');
      ssize_t got = pread(fd, text.data(), text.size(), 0);
      text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
      if (ftruncate(fd, 0) == 0) lseek(fd, 0, SEEK_SET);
      forward(text);
    }
  }
  guard_mutex().unlock();
}

}  // namespace jet
