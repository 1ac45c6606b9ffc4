// Recognising an Office-encrypted .accdb by its header, choosing the scheme its encryption
// information names, and opening the decrypting stream once the password checks out.
#include "platform/jet/crypto/office_crypto.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <optional>
#include <string>
#include <utility>

#include "platform/jet/crypto/decrypting_stream.h"
#include "platform/jet/crypto/office_key.h"

namespace {

// The header from 0x18 is masked with RC4 under this fixed key, over 128 bytes in Access 2000 and
// later formats; the database's encoding key sits at 0x3e inside the masked span.
constexpr std::array<std::uint8_t, 4> header_mask_key = {0xC7, 0xDA, 0x39, 0x6B};
constexpr std::size_t header_mask_offset = 0x18;
constexpr std::size_t header_mask_length = 128;
constexpr std::size_t version_offset = 0x14;
constexpr std::size_t encoding_key_offset = 0x3e;
// The encryption information: a 2-byte length, then as many bytes, from here on.
constexpr std::size_t crypt_info_offset = 0x299;

// Office hashes at most this many UTF-16 units of a password.
constexpr std::size_t max_password_units = 255;

// The encoding key of an Access 2007+ header, unmasked; nullopt for any other file.
std::optional<std::uint32_t> encoding_key(const unsigned char* header, std::size_t size) {
  if (header == nullptr || size < header_mask_offset + header_mask_length || header[0] != 0) return std::nullopt;
  // Byte 0x14: 0 Jet 3, 1 Jet 4, 2 and up the Access 2007+ formats that use Office encryption.
  if (header[version_offset] < 2) return std::nullopt;
  if (std::memcmp(header + 4, "Standard ACE DB", 15) != 0) return std::nullopt;
  std::array<std::uint8_t, header_mask_length> masked;
  std::memcpy(masked.data(), header + header_mask_offset, masked.size());
  crypto_rc4(header_mask_key).apply(masked.data(), masked.size());
  const std::uint8_t* k = masked.data() + (encoding_key_offset - header_mask_offset);
  return k[0] | (k[1] << 8) | (k[2] << 16) | (static_cast<std::uint32_t>(k[3]) << 24);
}

crypto_bytes password_utf16le(const std::wstring& password) {
  crypto_bytes out;
  std::size_t units = 0;
  auto put = [&](std::uint32_t unit) {
    out.push_back(static_cast<std::uint8_t>(unit));
    out.push_back(static_cast<std::uint8_t>(unit >> 8));
    ++units;
  };
  for (const wchar_t ch : password) {
    const auto c = static_cast<std::uint32_t>(ch);
    const std::size_t needed = c > 0xFFFF ? 2 : 1;
    if (units + needed > max_password_units) break;
    if (needed == 2) {
      put(0xD800 + ((c - 0x10000) >> 10));
      put(0xDC00 + ((c - 0x10000) & 0x3FF));
    } else {
      put(c);
    }
  }
  return out;
}

office_crypto_open_result failed(office_crypto_status status, std::string detail) {
  office_crypto_open_result r;
  r.status = status;
  r.detail = std::move(detail);
  return r;
}

// Reads up to the first page of fd; false with errno set on a read error.
bool read_first_page(int fd, std::array<std::uint8_t, office_crypto_page_size>& page, std::size_t& got) {
  got = 0;
  while (got < page.size()) {
    const ssize_t n = ::pread(fd, page.data() + got, page.size() - got, static_cast<off_t>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  return true;
}

// Owns a descriptor until it is handed on.
struct fd_guard {
  int fd;
  ~fd_guard() {
    if (fd >= 0) ::close(fd);
  }
  int release() { return std::exchange(fd, -1); }
};

}  // namespace

office_key_result office_key_failure(office_crypto_status status, std::string detail) {
  office_key_result r;
  r.status = status;
  r.detail = std::move(detail);
  return r;
}

bool office_crypto_header_is_encrypted(const unsigned char* header, std::size_t size) {
  const auto key = encoding_key(header, size);
  return key && *key != 0;
}

bool office_crypto_file_is_encrypted(const char* path) {
  fd_guard file{::open(path, O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) return false;
  std::array<std::uint8_t, office_crypto_page_size> page;
  std::size_t got = 0;
  return read_first_page(file.fd, page, got) && office_crypto_header_is_encrypted(page.data(), got);
}

office_crypto_open_result office_crypto_open(const char* path, const std::wstring& password) {
  fd_guard file{::open(path, O_RDONLY | O_CLOEXEC)};
  if (file.fd < 0) return failed(office_crypto_status::cannot_read, std::strerror(errno));
  struct stat file_info {};
  if (::fstat(file.fd, &file_info) != 0) return failed(office_crypto_status::cannot_read, std::strerror(errno));
  std::array<std::uint8_t, office_crypto_page_size> page;
  std::size_t got = 0;
  if (!read_first_page(file.fd, page, got)) return failed(office_crypto_status::cannot_read, std::strerror(errno));

  const auto key = encoding_key(page.data(), got);
  if (!key || *key == 0)
    return failed(office_crypto_status::damaged_header, "not an Office-encrypted Access 2007+ file");
  if (got < crypt_info_offset + 2 + 4)
    return failed(office_crypto_status::damaged_header, "file ends inside the encryption information");
  const std::size_t info_length = page[crypt_info_offset] | (page[crypt_info_offset + 1] << 8);
  if (info_length < 4 || crypt_info_offset + 2 + info_length > got)
    return failed(office_crypto_status::damaged_header,
                  "encryption information length " + std::to_string(info_length) + " does not fit the header page");
  const crypto_view info(page.data() + crypt_info_offset + 2, info_length);
  const unsigned major = info[0] | (info[1] << 8);
  const unsigned minor = info[2] | (info[3] << 8);

  const crypto_bytes pwd = password_utf16le(password);
  const office_key_input input{info.subspan(4), pwd, *key};
  office_key_result unlocked;
  if (major == 4 && minor == 4) {
    unlocked = office_agile_key(input);
  } else if (major >= 2 && major <= 4 && minor == 2) {
    unlocked = office_cryptoapi_key(input);
  } else {
    return failed(office_crypto_status::unsupported_scheme,
                  "encryption version " + std::to_string(major) + "." + std::to_string(minor));
  }
  if (unlocked.status != office_crypto_status::ok) return failed(unlocked.status, unlocked.detail);

  std::FILE* stream =
      decrypting_stream_open(file.release(), static_cast<std::uint64_t>(file_info.st_size), std::move(unlocked.cipher));
  if (stream == nullptr) return failed(office_crypto_status::cannot_read, "cannot create the stream");
  office_crypto_open_result result;
  result.status = office_crypto_status::ok;
  result.stream = stream;
  return result;
}
