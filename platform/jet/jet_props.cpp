// Parsing of property blobs: a signature, a chunk of property names, then one chunk of values
// per object (the table itself, then each column that has properties).
#include "platform/jet/jet_props.h"

#include <cstring>

#include "platform/jet/jet_values.h"

namespace jet {

namespace {

constexpr int chunk_names = 0x80;

std::wstring read_name(const jet_file& file, const std::uint8_t* p, std::size_t avail, std::size_t& used) {
  used = 0;
  if (avail < 2) return {};
  std::size_t len = jet_u16(p);
  if (len > avail - 2) len = avail - 2;
  used = 2 + len;
  return file.decode_text(p + 2, len);
}

}  // namespace

std::vector<jet_property_block> jet_parse_properties(const jet_file& file, const jet_bytes& blob) {
  std::vector<jet_property_block> out;
  if (blob.size() < 4) return out;
  if (std::memcmp(blob.data(), "KKD", 4) != 0 && std::memcmp(blob.data(), "MR2", 4) != 0) return out;
  std::vector<std::wstring> names;
  std::size_t pos = 4;
  while (pos + 6 <= blob.size()) {
    std::size_t len = jet_u32(blob.data() + pos);
    int type = jet_u16(blob.data() + pos + 4);
    if (len < 6 || len > blob.size() - pos) break;
    const std::uint8_t* chunk = blob.data() + pos + 6;
    std::size_t chunk_len = len - 6;
    pos += len;
    if (type == chunk_names) {
      std::size_t at = 0;
      while (at + 2 <= chunk_len) {
        std::size_t used = 0;
        names.push_back(read_name(file, chunk + at, chunk_len - at, used));
        at += used;
      }
      continue;
    }
    if (type != 0x00 && type != 0x01 && type != 0x02) continue;
    jet_property_block block;
    std::size_t at = 0;
    if (chunk_len >= 4) {
      std::size_t owner_len = jet_u32(chunk);
      if (owner_len < 4 || owner_len > chunk_len) continue;
      if (owner_len > 6) {
        std::size_t used = 0;
        block.owner = read_name(file, chunk + 4, owner_len - 4, used);
      }
      at = owner_len;
    }
    while (at + 8 <= chunk_len) {
      std::size_t value_len = jet_u16(chunk + at);
      if (value_len < 8 || value_len > chunk_len - at) break;
      jet_property prop;
      prop.ddl = chunk[at + 2] != 0;
      prop.type = chunk[at + 3];
      std::size_t name_index = jet_u16(chunk + at + 4);
      std::size_t data_size = jet_u16(chunk + at + 6);
      if (data_size > value_len - 8) data_size = value_len - 8;
      if (name_index < names.size()) prop.name = names[name_index];
      jet_column col;
      col.type = prop.type;
      if (prop.type == jet_bool) {
        prop.value = data_size > 0 && chunk[at + 8] != 0;
      } else {
        prop.value = jet_decode_value(file, col, chunk + at + 8, data_size);
      }
      block.properties.push_back(std::move(prop));
      at += value_len;
    }
    out.push_back(std::move(block));
  }
  return out;
}

}  // namespace jet
