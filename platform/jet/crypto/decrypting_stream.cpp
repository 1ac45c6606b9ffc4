// The decrypting FILE*: glibc's fopencookie with read and seek functions that decrypt the page
// under the position, one page at a time, keeping recent pages for the reads that come back to them.
#include "platform/jet/crypto/decrypting_stream.h"

#include <fcntl.h>
#include <openssl/crypto.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

namespace {

// libmdb reads the same few pages over and over (a data page, the long-value page of a memo, the
// usage maps, and one page per cloned handle, all through this one stream): each page decrypted
// stays in one of these slots until a page with the same slot number replaces it.
constexpr std::size_t cache_slots = 64;

struct cached_page {
  std::uint64_t page = UINT64_MAX;
  std::size_t size = 0;  // bytes of the page present in the file
  std::vector<std::uint8_t> plain;
};

struct stream_state {
  int fd = -1;
  std::uint64_t size = 0;
  std::uint64_t position = 0;
  std::unique_ptr<office_page_cipher> cipher;
  std::vector<cached_page> cache = std::vector<cached_page>(cache_slots);
  std::vector<std::uint8_t> raw = std::vector<std::uint8_t>(office_crypto_page_size);

  ~stream_state() {
    if (fd >= 0) ::close(fd);
    for (auto& slot : cache) OPENSSL_cleanse(slot.plain.data(), slot.plain.size());
  }

  // The decrypted page `page`; nullptr with errno set when it cannot be read.
  const cached_page* load(std::uint64_t page) {
    cached_page& slot = cache[page % cache_slots];
    if (slot.page == page) return &slot;
    const std::uint64_t offset = page * office_crypto_page_size;
    const std::size_t want = static_cast<std::size_t>(std::min<std::uint64_t>(office_crypto_page_size, size - offset));
    std::size_t got = 0;
    while (got < want) {
      const ssize_t n = ::pread(fd, raw.data() + got, want - got, static_cast<off_t>(offset + got));
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) return nullptr;
      if (n == 0) break;  // the file shrank since it was opened
      got += static_cast<std::size_t>(n);
    }
    slot.page = UINT64_MAX;
    slot.plain.resize(office_crypto_page_size);
    if (page == 0) {
      std::memcpy(slot.plain.data(), raw.data(), got);
    } else if (page > UINT32_MAX ||
               !cipher->decrypt_page(static_cast<std::uint32_t>(page), raw.data(), slot.plain.data(), got)) {
      errno = EIO;
      return nullptr;
    }
    slot.page = page;
    slot.size = got;
    return &slot;
  }
};

ssize_t stream_read(void* cookie, char* buffer, size_t count) {
  auto* s = static_cast<stream_state*>(cookie);
  std::size_t done = 0;
  while (done < count && s->position < s->size) {
    const std::uint64_t page = s->position / office_crypto_page_size;
    const std::size_t in_page = static_cast<std::size_t>(s->position % office_crypto_page_size);
    const cached_page* cached = s->load(page);
    if (cached == nullptr) return done > 0 ? static_cast<ssize_t>(done) : -1;
    if (in_page >= cached->size) break;
    const std::size_t n = std::min(count - done, cached->size - in_page);
    std::memcpy(buffer + done, cached->plain.data() + in_page, n);
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
  // A stdio buffer of one page: libmdb's whole-page reads then go straight to stream_read, and no
  // read-ahead decrypts a page that libmdb's next seek throws away. (Unbuffered, stdio would call
  // stream_read once per byte.)
  std::setvbuf(stream, nullptr, _IOFBF, office_crypto_page_size);
  return stream;
}
