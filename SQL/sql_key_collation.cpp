// The collation of text columns in unique keys: Access's unique keys ignore case but keep accents
// apart ("Cafe" and "Café" are two keys), where the target's default collations ignore both.
#include <cwctype>
#include <set>
#include <string>
#include <vector>

#include "SQL/sql_engine.h"
#include "SQL/sql_values.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"

namespace {

std::wstring lower(std::wstring text) {
  for (wchar_t& c : text) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
  return text;
}

// The collations that keep apart what Access keeps apart, best first: accent-sensitive and
// case-insensitive (MariaDB from 10.10, MySQL from 8.0), then binary, which also tells case.
std::vector<std::wstring> candidates(const std::wstring& charset) {
  std::vector<std::wstring> names;
  // Servers that list utf8 under its full name utf8mb3 name its collations so too.
  std::vector<std::wstring> prefixes = {charset};
  if (lower(charset) == L"utf8") prefixes.push_back(L"utf8mb3");
  for (const wchar_t* suffix : {L"_uca1400_as_ci", L"_0900_as_ci", L"_bin"})
    for (const std::wstring& prefix : prefixes) names.push_back(lower(prefix) + suffix);
  return names;
}

}  // namespace

std::wstring sql_engine::key_collation(const std::wstring& charset) {
  // The binary character set has no other collation, and its columns compare bytes already.
  if (charset.empty() || lower(charset) == L"binary") return {};
  // A dump may be loaded into either server: only the binary collation is known to both.
  if (!is_connected || dump_load_version != 0) return lower(charset) + L"_bin";
  if (auto known = key_collations_.find(charset); known != key_collations_.end()) return known->second;

  const std::vector<std::wstring> wanted = candidates(charset);
  std::wstring list;
  for (const std::wstring& name : wanted) list += (list.empty() ? L"" : L",") + to_mysql_wstr(name, VT_BSTR);
  std::set<std::wstring> listed;
  auto take = [&listed](const std::wstring& name, const std::wstring&) { listed.insert(lower(name)); };
  // MariaDB from 10.10 lists its UCA 14 collations once for every character set, by full name
  // only here; other servers have no such column and refuse the first statement.
  for_each_pair(
      "SELECT FULL_COLLATION_NAME, CHARACTER_SET_NAME FROM "
      "information_schema.COLLATION_CHARACTER_SET_APPLICABILITY WHERE FULL_COLLATION_NAME IN (" +
          tk_unicode_to_utf8(list) + ")",
      take);
  for_each_pair(
      "SELECT COLLATION_NAME, CHARACTER_SET_NAME FROM information_schema.COLLATIONS WHERE "
      "COLLATION_NAME IN (" +
          tk_unicode_to_utf8(list) + ")",
      take);
  std::wstring chosen;
  for (const std::wstring& name : wanted) {
    if (listed.count(name) != 0) {
      chosen = name;
      break;
    }
  }
  // None listed: the columns keep the default collation, and what a key then refuses is reported
  // row by row.
  tk_log2(tk_log_detail, L"Collation of key columns in %ls: '%ls'", charset.c_str(), chosen.c_str());
  key_collations_[charset] = chosen;
  return chosen;
}
