// ole_guid_extractor: whether a text is a GUID ("XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX", the same
// between braces, or after the word "guid" and a brace) and its 36-character form.
#pragma once

#include <cstdint>
#include <string>

class ole_guid_extractor {
 public:
  explicit ole_guid_extractor(const std::wstring& text);
  // The text in the ANSI code page (UTF-8).
  explicit ole_guid_extractor(const std::string& text);

  // The checks, in order; the first that decides ends them. Never raises.
  void parse(const std::wstring& text);

  bool is_valid() const { return valid_; }
  // The 36 characters of the GUID (fewer only when the kept text is shorter); empty when invalid.
  std::string get_guid() const;
  std::wstring get_wguid() const;

 private:
  std::int32_t position_ = -1;  // where the GUID starts inside the kept text
  std::wstring text_;           // the input without leading and trailing blanks
  bool valid_ = false;
};
