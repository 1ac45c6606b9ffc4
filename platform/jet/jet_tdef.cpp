// Parsing of table definition pages: counts, column descriptors, column names, real index key
// lists, then the logical indexes that name them.
#include "platform/jet/jet_tdef.h"

#include "platform/jet/jet_layout.h"
#include "platform/jet/jet_values.h"

namespace jet {

namespace {

class reader {
 public:
  explicit reader(const std::vector<std::uint8_t>& b) : b_(b) {}
  bool has(std::size_t at, std::size_t n) const { return at <= b_.size() && n <= b_.size() - at; }
  std::uint8_t u8(std::size_t at) const { return b_[at]; }
  std::uint16_t u16(std::size_t at) const { return jet_u16(b_.data() + at); }
  std::uint32_t u32(std::size_t at) const { return jet_u32(b_.data() + at); }
  const std::uint8_t* at(std::size_t at) const { return b_.data() + at; }

 private:
  const std::vector<std::uint8_t>& b_;
};

}  // namespace

bool jet_parse_tdef(const std::vector<std::uint8_t>& bytes, jet_format format, const jet_file& file, jet_tdef& out) {
  const jet_tdef_layout& L = format == jet_format::jet3 ? jet3_tdef_layout : jet4_tdef_layout;
  reader r(bytes);
  out = jet_tdef();
  if (!r.has(0, L.real_idx_start)) return false;
  std::size_t num_cols = r.u16(L.num_cols);
  std::size_t num_idx = r.u32(L.num_idx);
  std::size_t num_real = r.u32(L.num_real_idx);
  // Counts beyond what a table can hold mean damage, not a big table.
  if (num_cols > 4096 || num_idx > 1024 || num_real > 1024) return false;

  std::size_t pos = L.real_idx_start + num_real * L.real_idx_entry;
  if (!r.has(pos, num_cols * L.col_entry)) return false;
  for (std::size_t i = 0; i < num_cols; ++i, pos += L.col_entry) {
    jet_tdef_column c;
    c.type = r.u8(pos + L.col_type);
    c.col_num = r.u16(pos + L.col_num);
    c.flags = r.u8(pos + L.col_flags);
    if (L.col_ext_flags) c.ext_flags = r.u8(pos + L.col_ext_flags);
    c.precision = r.u8(pos + 11);
    c.scale = r.u8(pos + 12);
    out.columns.push_back(c);
  }
  // Names follow their entries, each with its length before it.
  auto read_name = [&](std::wstring& name) {
    if (!r.has(pos, L.name_len_size)) return false;
    std::size_t len = L.name_len_size == 1 ? r.u8(pos) : r.u16(pos);
    pos += L.name_len_size;
    if (!r.has(pos, len)) return false;
    name = file.decode_text(r.at(pos), len);
    pos += len;
    return true;
  };
  for (auto& c : out.columns)
    if (!read_name(c.name)) return false;

  struct real_index {
    std::vector<jet_index_column> columns;
    std::uint8_t flags = 0;
  };
  std::vector<real_index> reals;
  if (!r.has(pos, num_real * L.real_idx_def)) return false;
  for (std::size_t i = 0; i < num_real; ++i, pos += L.real_idx_def) {
    real_index ri;
    for (std::size_t k = 0; k < 10; ++k) {
      std::size_t at = pos + L.real_idx_cols + 3 * k;
      std::uint16_t col_num = r.u16(at);
      if (col_num == 0xFFFF) continue;
      // Keys name columns by their stored number; find the column's position.
      for (std::size_t c = 0; c < out.columns.size(); ++c) {
        if (out.columns[c].col_num != col_num) continue;
        ri.columns.push_back({static_cast<int>(c), r.u8(at + 2) != 0x01});
        break;
      }
    }
    ri.flags = r.u8(pos + L.real_idx_flags);
    reals.push_back(std::move(ri));
  }

  if (!r.has(pos, num_idx * L.logical_entry)) return false;
  for (std::size_t i = 0; i < num_idx; ++i, pos += L.logical_entry) {
    jet_index_def d;
    d.number = static_cast<int>(r.u32(pos + L.logical_number));
    d.real_index = static_cast<int>(r.u32(pos + L.logical_real));
    std::uint8_t type = r.u8(pos + L.logical_type);
    d.primary = type == 0x01;
    d.foreign = type == 0x02;
    // The relationship fields sit just before the type byte in both formats.
    const std::size_t type_at = pos + L.logical_type;
    d.rel_side = r.u8(type_at - 11);
    d.rel_index = static_cast<std::int32_t>(r.u32(type_at - 10));
    d.rel_table_page = r.u32(type_at - 6);
    d.cascade_updates = r.u8(type_at - 2);
    d.cascade_deletes = r.u8(type_at - 1);
    if (d.real_index >= 0 && static_cast<std::size_t>(d.real_index) < reals.size()) {
      const real_index& ri = reals[static_cast<std::size_t>(d.real_index)];
      d.columns = ri.columns;
      d.unique = (ri.flags & 0x01) != 0 || d.primary;
      d.ignore_nulls = (ri.flags & 0x02) != 0;
      d.required = (ri.flags & 0x08) != 0;
    }
    out.indexes.push_back(std::move(d));
  }
  for (auto& d : out.indexes)
    if (!read_name(d.name)) return false;
  return true;
}

}  // namespace jet
