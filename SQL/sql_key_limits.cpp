// Key-length limits of MySQL storage engines and character widths of character sets.
#include "SQL/sql_key_limits.h"

#include <string>

#include "UDB/udb_name_compare.h"

namespace {

std::wstring lower_ascii(const std::wstring& text) {
  std::wstring out = text;
  for (wchar_t& c : out) {
    if (c >= L'A' && c <= L'Z') c = wchar_t(c - L'A' + L'a');
  }
  return out;
}

}  // namespace

std::uint32_t sql_charset_max_bytes(const std::wstring& charset) {
  static const struct {
    const wchar_t* name;
    std::uint32_t bytes;
  } widths[] = {
      {L"utf8mb4", 4}, {L"utf16", 4},    {L"utf16le", 4}, {L"utf32", 4},  {L"gb18030", 4},  {L"utf8", 3},
      {L"utf8mb3", 3}, {L"ujis", 3},     {L"eucjpms", 3}, {L"ucs2", 2},   {L"big5", 2},     {L"gbk", 2},
      {L"gb2312", 2},  {L"sjis", 2},     {L"cp932", 2},   {L"euckr", 2},  {L"latin1", 1},   {L"latin2", 1},
      {L"latin5", 1},  {L"latin7", 1},   {L"ascii", 1},   {L"binary", 1}, {L"cp1250", 1},   {L"cp1251", 1},
      {L"cp1256", 1},  {L"cp1257", 1},   {L"cp850", 1},   {L"cp852", 1},  {L"cp866", 1},    {L"koi8r", 1},
      {L"koi8u", 1},   {L"greek", 1},    {L"hebrew", 1},  {L"tis620", 1}, {L"swe7", 1},     {L"dec8", 1},
      {L"hp8", 1},     {L"armscii8", 1}, {L"keybcs2", 1}, {L"macce", 1},  {L"macroman", 1}, {L"geostd8", 1},
  };
  const std::wstring name = lower_ascii(charset);
  for (const auto& width : widths) {
    if (name == width.name) return width.bytes;
  }
  return 4;
}

std::uint32_t sql_max_key_bytes(const std::wstring& engine, std::uint32_t version) {
  // Servers before 4.1 know no character sets and take short keys only.
  if (version < 0x00040100) return 256;
  if (lower_ascii(engine) == L"innodb") {
    // MariaDB numbers its versions from 10 on; its 10.0 and 10.1 still kept the small prefix.
    const std::uint32_t large_from = version >= 0x000A0000 ? 0x000A0202 : 0x00050707;
    return version >= large_from ? 3072 : 767;
  }
  return 1000;
}

std::wstring sql_key_refusal(const sql_key_room& room, const std::vector<std::wstring>& columns) {
  // The server's own limit on the parts of one key.
  constexpr std::size_t max_key_parts = 16;
  if (columns.empty()) return L"a key needs at least one column";
  if (columns.size() > max_key_parts) return L"a key takes at most 16 columns";
  std::uint64_t bytes = 0;
  for (const std::wstring& column : columns) {
    const std::uint32_t* found = nullptr;
    for (const auto& [name, size] : room.column_bytes) {
      if (udb_same_name(name, column)) found = &size;
    }
    if (found == nullptr) return L"column '" + column + L"' cannot be part of a key";
    bytes += *found;
  }
  if (bytes > room.max_key_bytes) {
    return L"the key would take " + std::to_wstring(bytes) + L" bytes, the table takes " +
           std::to_wstring(room.max_key_bytes);
  }
  return {};
}
