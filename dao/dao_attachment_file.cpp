// Undoes Access's wrapper around an attached file: the type and length words, the deflated or
// plain content, and the content's own header in front of the file's bytes.
#include "dao/dao_attachment_file.h"

#include <zlib.h>

#include <climits>

namespace {

constexpr std::size_t wrapper_size = 8;        // the type, then the content's length
constexpr std::size_t header_length_size = 4;  // the content's first word: its header's length
constexpr std::uint32_t content_plain = 0;
constexpr std::uint32_t content_deflated = 1;

std::uint32_t little_endian_u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
         static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

dao_attachment_file refused(std::string fault) {
  dao_attachment_file file;
  file.fault = std::move(fault);
  return file;
}

// Inflates one zlib stream that must be the whole input and give exactly `length` bytes. The
// output grows as the stream gives it, so a damaged length never asks for a huge buffer.
bool inflate_exactly(const std::uint8_t* in, std::size_t size, std::uint32_t length, std::vector<std::uint8_t>& out,
                     std::string& fault) {
  if (size > UINT_MAX) {
    fault = "its compressed content is too long to inflate";
    return false;
  }
  z_stream z{};
  if (inflateInit(&z) != Z_OK) {
    fault = "zlib could not start inflating its content";
    return false;
  }
  z.next_in = const_cast<Bytef*>(in);
  z.avail_in = static_cast<uInt>(size);
  std::uint8_t chunk[16384];
  int rc = Z_OK;
  bool too_long = false;
  while (rc == Z_OK) {
    z.next_out = chunk;
    z.avail_out = sizeof chunk;
    rc = inflate(&z, Z_NO_FLUSH);
    const std::size_t got = sizeof chunk - z.avail_out;
    if (out.size() + got > length) {
      too_long = true;
      break;
    }
    out.insert(out.end(), chunk, chunk + got);
  }
  const bool trailing = z.avail_in != 0;
  inflateEnd(&z);
  if (too_long) {
    fault = "its content inflates to more than the " + std::to_string(length) + " bytes its wrapper gives";
  } else if (rc == Z_BUF_ERROR) {
    fault = "its compressed content is cut short";
  } else if (rc != Z_STREAM_END) {
    fault = "its compressed content does not inflate";
  } else if (trailing) {
    fault = "bytes follow its compressed content";
  } else if (out.size() != length) {
    fault = "its content inflates to " + std::to_string(out.size()) + " bytes where its wrapper gives " +
            std::to_string(length);
  } else {
    return true;
  }
  return false;
}

}  // namespace

dao_attachment_file dao_unwrap_attachment(const std::uint8_t* stored, std::size_t size) {
  if (size < wrapper_size)
    return refused("it has " + std::to_string(size) + " bytes, fewer than the " + std::to_string(wrapper_size) +
                   " of its wrapper");
  const std::uint32_t type = little_endian_u32(stored);
  const std::uint32_t length = little_endian_u32(stored + 4);
  const std::uint8_t* after_wrapper = stored + wrapper_size;
  const std::size_t rest = size - wrapper_size;

  std::vector<std::uint8_t> inflated;
  const std::uint8_t* content = after_wrapper;
  std::size_t content_size = rest;
  if (type == content_deflated) {
    std::string fault;
    if (!inflate_exactly(after_wrapper, rest, length, inflated, fault)) return refused(fault);
    content = inflated.data();
    content_size = inflated.size();
  } else if (type != content_plain) {
    return refused("its type " + std::to_string(type) + " is neither 0 (plain) nor 1 (compressed)");
  } else if (rest != length) {
    return refused("its content has " + std::to_string(rest) + " bytes where its wrapper gives " +
                   std::to_string(length));
  }

  if (content_size < header_length_size)
    return refused("its content of " + std::to_string(content_size) + " bytes is too short for a header");
  const std::uint32_t header_length = little_endian_u32(content);
  if (header_length < header_length_size || header_length > content_size)
    return refused("its header length " + std::to_string(header_length) + " does not fit its content of " +
                   std::to_string(content_size) + " bytes");
  dao_attachment_file file;
  file.unwrapped = true;
  file.bytes.assign(content + header_length, content + content_size);
  return file;
}
