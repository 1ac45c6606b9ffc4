// Text as the file stores it, turned into wide strings: Jet 3 text in the code page named in the
// file's header, Jet 4 and ACE text as UTF-16 little-endian, plain or in the compressed form.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace jet {

// Decodes one code page into wide text. Single-byte pages go through a table built once, so
// decoding needs no lock; double-byte pages (932, 936, 949, 950) go through iconv under a mutex.
class jet_codepage {
 public:
  // An unknown code page falls back to Windows-1252, which Jet 3 files use by far the most.
  explicit jet_codepage(unsigned code_page);
  ~jet_codepage();
  jet_codepage(const jet_codepage&) = delete;
  jet_codepage& operator=(const jet_codepage&) = delete;

  unsigned code_page() const { return code_page_; }
  std::wstring decode(const std::uint8_t* data, std::size_t size) const;
  // The bytes of `text` in this code page; characters it cannot hold become '?'.
  std::string encode(const std::wstring& text) const;

 private:
  unsigned code_page_;
  bool double_byte_ = false;
  wchar_t table_[256] = {};
  mutable std::mutex mutex_;
  void* to_wide_ = nullptr;    // iconv_t, double-byte pages only
  void* from_wide_ = nullptr;  // iconv_t
};

// UTF-16 little-endian with surrogate pairs joined into one wchar_t; a lone surrogate is kept
// as it is rather than dropped, so no character is lost.
std::wstring jet_decode_utf16(const std::uint8_t* data, std::size_t size);

// Jet 4 text: the compressed form (starts with FF FE; runs of one-byte characters and of UTF-16
// characters, each switch marked by a zero byte) or plain UTF-16.
std::wstring jet_decode_unicode(const std::uint8_t* data, std::size_t size);

// The iconv name of a Windows code page ("CP1252", "SHIFT_JIS"...).
std::string jet_iconv_name(unsigned code_page);

}  // namespace jet
