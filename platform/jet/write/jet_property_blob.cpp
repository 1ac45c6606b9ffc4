// Property blobs: "MR2\0", a chunk naming every property used, then one chunk per column with
// the values. Each chunk starts with its length and kind; each value with its length, a DDL
// flag (set: the property belongs to the definition, the user cannot delete it), its type, the
// index of its name and the size of its data.
#include "platform/jet/write/jet_property_blob.h"

#include <cstdint>
#include <string>

#include "platform/jet/write/jet_write_error.h"

namespace jet {

namespace {

constexpr std::uint8_t signature[] = {'M', 'R', '2', 0};
constexpr std::uint16_t chunk_names = 0x80;
constexpr std::uint16_t chunk_column = 0x01;
constexpr std::size_t value_header_size = 8;
constexpr std::uint8_t ddl = 1;
// A value announces its length in 16 bits, header included.
constexpr std::size_t max_value_data = 0xFFFF - value_header_size;
constexpr long invalid_argument = 3001;
constexpr char invalid_argument_text[] = "Invalid argument.";

void put16(jet_bytes& out, std::size_t v) {
  out.push_back(static_cast<std::uint8_t>(v));
  out.push_back(static_cast<std::uint8_t>(v >> 8));
}
void put32_at(jet_bytes& out, std::size_t at, std::size_t v) {
  for (int i = 0; i < 4; ++i) out[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(v >> (8 * i));
}

// UTF-16 little-endian; characters beyond the BMP as surrogate pairs.
jet_bytes utf16(const std::wstring& text) {
  jet_bytes out;
  out.reserve(text.size() * 2);
  for (wchar_t wc : text) {
    auto c = static_cast<std::uint32_t>(wc);
    if (c > 0xFFFF) {
      c -= 0x10000;
      put16(out, 0xD800 + (c >> 10));
      put16(out, 0xDC00 + (c & 0x3FF));
    } else {
      put16(out, c);
    }
  }
  return out;
}

// A chunk under construction: its length is filled in when it is complete.
struct chunk {
  jet_bytes& out;
  std::size_t start;
  chunk(jet_bytes& o, std::uint16_t kind) : out(o), start(o.size()) {
    out.resize(out.size() + 4, 0);
    put16(out, kind);
  }
  ~chunk() { put32_at(out, start, out.size() - start); }
};

struct property_value {
  std::wstring name;
  int type;
  jet_bytes data;
};

std::vector<property_value> column_properties(const jet_new_column& c) {
  std::vector<property_value> out;
  out.push_back({L"Required", jet_bool, {static_cast<std::uint8_t>(c.required ? 1 : 0)}});
  if (c.type == jet_text || c.type == jet_memo)
    out.push_back({L"AllowZeroLength", jet_bool, {static_cast<std::uint8_t>(c.allow_zero_length ? 1 : 0)}});
  if (!c.default_value.empty()) out.push_back({L"DefaultValue", jet_memo, utf16(c.default_value)});
  for (const auto& p : out)
    if (p.data.size() > max_value_data) throw jet_write_error(invalid_argument, invalid_argument_text);
  return out;
}

}  // namespace

jet_bytes jet_build_property_blob(const std::vector<jet_new_column>& columns) {
  jet_bytes out;
  if (columns.empty()) return out;

  std::vector<std::vector<property_value>> blocks;
  std::vector<std::wstring> names;
  auto name_index = [&names](const std::wstring& name) {
    for (std::size_t i = 0; i < names.size(); ++i)
      if (names[i] == name) return i;
    names.push_back(name);
    return names.size() - 1;
  };
  for (const auto& c : columns) {
    blocks.push_back(column_properties(c));
    for (const auto& p : blocks.back()) name_index(p.name);
  }

  out.assign(std::begin(signature), std::end(signature));
  {
    chunk names_chunk(out, chunk_names);
    for (const auto& n : names) {
      jet_bytes text = utf16(n);
      put16(out, text.size());
      out.insert(out.end(), text.begin(), text.end());
    }
  }
  for (std::size_t i = 0; i < columns.size(); ++i) {
    chunk column_chunk(out, chunk_column);
    jet_bytes owner = utf16(columns[i].name);
    std::size_t owner_at = out.size();
    out.resize(out.size() + 4, 0);
    put16(out, owner.size());
    out.insert(out.end(), owner.begin(), owner.end());
    put32_at(out, owner_at, out.size() - owner_at);
    for (const auto& p : blocks[i]) {
      put16(out, value_header_size + p.data.size());
      out.push_back(ddl);
      out.push_back(static_cast<std::uint8_t>(p.type));
      put16(out, name_index(p.name));
      put16(out, p.data.size());
      out.insert(out.end(), p.data.begin(), p.data.end());
    }
  }
  return out;
}

}  // namespace jet
