// The name rules every target's validator shares.
#include "UDB/udb_validator.h"

#include <cwchar>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_name_compare.h"

namespace {
// Numbered forms of one base name per scope; past this the scope is hopelessly full.
constexpr int kMaxNumberedNames = 100000;
}  // namespace

void t_names_map::add(const std::wstring& source_name, const std::wstring& generated_name) {
  tk_log2(tk_log_trace, L"t_names_map::add(%ls,%ls)", source_name.c_str(), generated_name.c_str());
  names_.emplace(source_name, generated_name);
}

std::wstring t_names_map::get_mapped_name(const std::wstring& source_name) const {
  tk_log2(tk_log_trace, L"t_names_map::get_mapped_name(%ls)", source_name.c_str());
  for (const auto& [key, value] : names_) {
    if (udb_same_name(key, source_name)) {
      tk_log2(tk_log_trace, L"Got mapped name: %ls", value.c_str());
      return value;
    }
  }
  return source_name;
}

udb_validator::udb_validator(std::uint32_t max_length_) : max_length(max_length_) {
  tk_log1(tk_log_detail, "udb_validator::ctor");
}

bool udb_validator::is_acceptable(const std::wstring& name) {
  tk_log2(tk_log_detail, L"udb_validator::is_acceptable(%ls)", name.c_str());
  if (max_length != 0 && name.size() > max_length) {
    tk_log1(tk_log_trace, "The name is too long");
    return false;
  }
  for (const auto& restricted : restricted_names) {
    if (udb_same_name(name, restricted)) {
      tk_log1(tk_log_detail, "The name is restricted");
      return false;
    }
  }
  for (wchar_t c : illegal_chars) {
    if (name.find(c) != std::wstring::npos) {
      tk_log2(tk_log_detail, L"The name contains illegal: %lc", static_cast<wint_t>(c));
      return false;
    }
  }
  return true;
}

bool udb_validator::is_duplicated(const std::wstring& name) {
  tk_log2(tk_log_detail, L"udb_validator::is_duplicated(%ls)", name.c_str());
  for (const auto& existing : existing_names) {
    tk_log2(tk_log_trace, L"Processing %ls", existing.c_str());
    if (udb_same_name(name, existing)) {
      tk_log1(tk_log_detail, "Name is duplicated");
      return true;
    }
  }
  return false;
}

std::wstring udb_validator::get_safe_name(const std::wstring& name) {
  tk_log2(tk_log_trace, L"udb_validator::get_safe_name(%ls)", name.c_str());
  std::wstring candidate = tk_wstring::to_lower(name);
  if (max_length != 0 && candidate.size() > max_length) candidate.resize(max_length - 1);
  for (wchar_t c : illegal_chars)
    for (auto& ch : candidate)
      if (ch == c) ch = L'_';
  if (is_acceptable(candidate) && !is_duplicated(candidate)) return candidate;

  // Leave room for the five digits of the number.
  if (max_length >= 6 && candidate.size() > max_length - 5) candidate.resize(max_length - 6);
  for (int n = 0; n < kMaxNumberedNames; ++n) {
    wchar_t digits[8];
    std::swprintf(digits, sizeof digits / sizeof digits[0], L"%05d", n);
    std::wstring numbered = candidate + digits;
    if (is_acceptable(numbered) && !is_duplicated(numbered)) return numbered;
  }
  throw tk_mail_assertion("udb_vali", 55);
}

void udb_validator::add_existing_name(const std::wstring& name) {
  tk_log2(tk_log_trace, L"udb_validator::add_existing_name(%ls)", name.c_str());
  existing_names.push_back(name);
}

void udb_validator::add_mapped_pair(const std::wstring& source_name, const std::wstring& safe_name) {
  tk_log2(tk_log_trace, L"udb_validator::add_mapped_pair(%ls,%ls)", source_name.c_str(), safe_name.c_str());
  mapped_names.add(source_name, safe_name);
}
