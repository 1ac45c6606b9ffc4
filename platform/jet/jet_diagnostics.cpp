// Catching libmdb's standard-error text: libmdb writes it through the stdio stream stderr, so
// that stream is pointed at a memory stream for the length of a libmdb call. Swapping a pointer
// costs no system call; a reader calls libmdb around every page, and swapping descriptor 2
// there cost three system calls a page.
#include "platform/jet/jet_diagnostics.h"

#include <cstdio>
#include <cstdlib>
#include <mutex>

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
// Guarded by guard_mutex: the stream stderr named before the outermost guard, and the memory
// stream that takes libmdb's text (made when first needed, remade after it caught text).
std::FILE* saved_stream = nullptr;
std::FILE* capture = nullptr;
char* capture_text = nullptr;
std::size_t capture_size = 0;

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
  if (capture == nullptr) capture = open_memstream(&capture_text, &capture_size);
  if (capture == nullptr) return;
  saved_stream = stderr;
  stderr = capture;
  outermost_ = true;
}

jet_stderr_guard::~jet_stderr_guard() {
  --depth;
  if (outermost_) {
    stderr = saved_stream;
    saved_stream = nullptr;
    if (std::ftell(capture) > 0) {
      // Closing hands over the text; the next guard opens a fresh stream.
      std::fclose(capture);
      capture = nullptr;
      const std::string text(capture_text, capture_size);
      std::free(capture_text);
      capture_text = nullptr;
      capture_size = 0;
      forward(text);
    }
  }
  guard_mutex().unlock();
}

}  // namespace jet
