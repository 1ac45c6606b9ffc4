// ole_guid_extractor: the GUID text check.
#include "OLE/ole_guid.h"

#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

#include <memory>

namespace {

constexpr std::size_t guid_length = 36;

bool is_hex(wchar_t c) { return (c >= L'0' && c <= L'9') || (c >= L'a' && c <= L'f') || (c >= L'A' && c <= L'F'); }

// The check of every form: 8-4-4-4-12 hexadecimal digits, so that 36 dashes are no GUID.
bool canonical(const std::wstring& text, std::size_t from) {
  for (std::size_t i = 0; i < guid_length; ++i) {
    const wchar_t c = text[from + i];
    const bool dash_place = i == 8 || i == 13 || i == 18 || i == 23;
    if (dash_place ? c != L'-' : !is_hex(c)) return false;
  }
  return true;
}

}  // namespace

ole_guid_extractor::ole_guid_extractor(const std::wstring& text) { parse(text); }

ole_guid_extractor::ole_guid_extractor(const std::string& text) {
  std::unique_ptr<wchar_t[]> wide;
  parse(tk_ansi_to_unicode(text.c_str(), wide) && wide ? std::wstring(wide.get()) : std::wstring());
}

void ole_guid_extractor::parse(const std::wstring& text) {
  tk_log2(tk_log_trace, L"ole_guid_extractor::ctor(%ls)", text.c_str());
  position_ = -1;
  valid_ = false;
  text_.clear();
  if (text.size() >= 91) {
    tk_log1(tk_log_trace, "Text is too long for GUID(1)");
    return;
  }
  text_ = tk_trim(text);
  const std::size_t n = text_.size();
  if (n < guid_length) {
    tk_log1(tk_log_trace, "Text is too short for GUID");
    return;
  }
  if (n > 45) {
    tk_log1(tk_log_trace, "Text is too long for GUID(2)");
    return;
  }
  if (n == guid_length) {
    tk_log1(tk_log_trace, "Checking simple form (1)");
    position_ = 0;
    valid_ = canonical(text_, 0);
    if (!valid_) tk_log1(tk_log_trace, "Simple form (1) of GUID is NOT valid");
    return;
  }
  if (n == guid_length + 2 && text_.front() == L'{' && text_.back() == L'}') {
    tk_log1(tk_log_trace, "Checking simple form (2)");
    position_ = 1;
    valid_ = canonical(text_, 1);
    if (!valid_) tk_log1(tk_log_trace, "Simple form (2) of GUID is NOT valid");
    return;
  }
  const std::size_t lower = text_.find(L"guid");
  const std::size_t upper = text_.find(L"GUID");
  tk_log1(tk_log_trace, "Locating 'guid' (%d : %d)", lower == std::wstring::npos ? -1 : static_cast<int>(lower),
          upper == std::wstring::npos ? -1 : static_cast<int>(upper));
  const std::size_t word = lower != std::wstring::npos ? lower : upper;
  if (word == std::wstring::npos) return;
  // The brace must leave room for the 36 characters and the closing brace after them; the
  // characters between are held to the canonical 8-4-4-4-12 form.
  const std::size_t brace = text_.find(L'{', word + 4);
  if (brace == std::wstring::npos || brace + guid_length + 1 >= n) return;
  if (!canonical(text_, brace + 1) || text_[brace + guid_length + 1] != L'}') return;
  tk_log1(tk_log_trace, "GUID is valid");
  position_ = static_cast<std::int32_t>(brace + 1);
  valid_ = true;
}

std::wstring ole_guid_extractor::get_wguid() const {
  if (!valid_) return std::wstring();
  if (text_.size() <= guid_length) return text_;
  return text_.substr(static_cast<std::size_t>(position_), guid_length);
}

std::string ole_guid_extractor::get_guid() const {
  std::string narrow;
  tk_unicode_to_ansi3(get_wguid().c_str(), narrow);
  return narrow;
}
