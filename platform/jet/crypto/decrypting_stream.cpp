// The decrypting FILE*: glibc's fopencookie with read and seek functions that decrypt the page
// under the position, one page at a time, keeping the last page for the reads that follow it.
#include "platform/jet/crypto/decrypting_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

struct stream_state {
  int fd = -1;
  std::uint64_t size = 0;
  std::uint64_t position = 0;
  std::unique_ptr<office_page_cipher> cipher;
  std::uint64_t cached_page = UINT64_MAX;
  std::size_t cached_size = 0;  // bytes of the cached page present in the file
  std::vector<std::uint8_t> raw = std::vector<std::uint8_t>(office_crypto_page_size);
  std::vector<std::uint8_t> plain = std::vector<std::uint8_t>(office_crypto_page_size);

  ~stream_state() {
    if (fd >= 0) ::close(fd);
  }

  // Reads and decrypts page `page` into `plain`; false with errno set when it cannot.
  bool load(std::uint64_t page) {
    if (page == cached_page) return true;
    const std::uint64_t offset = page * office_crypto_page_size;
    const std::size_t want =
        static_cast<std::size_t>(std::min<std::uint64_t>(office_crypto_page_size, size - offset));
    std::size_t got = 0;
    while (got < want) {
      const ssize_t n = ::pread(fd, raw.data() + got, want - got, static_cast<off_t>(offset + got));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return false;
      if (n == 0) break;  // the file shrank since it was opened
      got += static_cast<std::size_t>(n);
    }
    if (page == 0) {
      std::memcpy(plain.data(), raw.data(), got);
    } else if (page > UINT32_MAX || !cipher->decrypt_page(static_cast<std::uint32_t>(page), raw.data(),
                                                          plain.data(), got)) {
      errno = EIO;
      return false;
    }
    cached_page = page;
    cached_size = got;
    return true;
  }
};

ssize_t stream_read(void* cookie, char* buffer, size_t count) {
  auto* s = static_cast<stream_state*>(cookie);
  std::size_t done = 0;
  while (done < count && s->position < s->size) {
    const std::uint64_t page = s->position / office_crypto_page_size;
    const std::size_t in_page = static_cast<std::size_t>(s->position % office_crypto_page_size);
    if (!s->load(page)) return done > 0 ? static_cast<ssize_t>(done) : -1;
    if (in_page >= s->cached_size) break;
    const std::size_t n = std::min(count - done, s->cached_size - in_page);
    std::memcpy(buffer + done, s->plain.data() + in_page, n);
    done += n;
    s->position += n;
  }
  return static_cast<ssize_t>(done);
}

int stream_seek(void* cookie, off64_t* offset, int whence) {
  auto* s = static_cast<stream_state*>(cookie);
  std::int64_t base = 0;
  switch (whence) {
    case SEEK_SET: base = 0; break;
    case SEEK_CUR: base = static_cast<std::int64_t>(s->position); break;
    case SEEK_END: base = static_cast<std::int64_t>(s->size); break;
    default: errno = EINVAL; return -1;
  }
  if ((*offset < 0 && base < -*offset) || (*offset > 0 && *offset > INT64_MAX - base)) {
    errno = EINVAL;
    return -1;
  }
  s->position = static_cast<std::uint64_t>(base + *offset);
  *offset = static_cast<off64_t>(s->position);
  return 0;
}

int stream_close(void* cookie) {
  delete static_cast<stream_state*>(cookie);
  return 0;
}

}  // namespace

std::FILE* decrypting_stream_open(int fd, std::uint64_t size, std::unique_ptr<office_page_cipher> cipher) {
  auto state = std::make_unique<stream_state>();
  state->fd = fd;
  state->size = size;
  state->cipher = std::move(cipher);
  cookie_io_functions_t io{};
  io.read = stream_read;
  io.seek = stream_seek;
  io.close = stream_close;
  std::FILE* stream = fopencookie(state.get(), "r", io);
  if (stream == nullptr) return nullptr;  // state closes fd
  state.release();
  // The stream keeps the page it decrypted last; a stdio buffer on top would only make it decrypt
  // the page after each page libmdb asks for, to be thrown away at libmdb's next seek.
  std::setvbuf(stream, nullptr, _IONBF, 0);
  return stream;
}
