// Input helpers of the fuzz targets.
#include "fuzz/fuzz_input.h"

#include <unistd.h>
#include <cstdio>

std::string fuzz_write_file(const std::uint8_t* data, std::size_t size, const char* suffix) {
  std::string path = "/tmp/ostrelle_fuzz." + std::to_string(getpid()) + suffix;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return {};
  const bool written = std::fwrite(data, 1, size, f) == size;
  if (std::fclose(f) != 0 || !written) return {};
  return path;
}

std::wstring fuzz_wide_text(const std::uint8_t* data, std::size_t size) {
  std::wstring out;
  for (std::size_t i = 0; i < size;) {
    const std::uint8_t b = data[i];
    const std::size_t n = b < 0x80 ? 1 : (b >> 5) == 6 ? 2 : (b >> 4) == 14 ? 3 : (b >> 3) == 30 ? 4 : 0;
    std::uint32_t c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    bool valid = n != 0 && i + n <= size;
    for (std::size_t k = 1; valid && k < n; ++k) {
      if ((data[i + k] & 0xC0) != 0x80) valid = false;
      c = (c << 6) | (data[i + k] & 0x3F);
    }
    if (valid && (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))) valid = false;
    out.push_back(static_cast<wchar_t>(valid ? c : b));
    i += valid ? n : 1;
  }
  return out;
}
