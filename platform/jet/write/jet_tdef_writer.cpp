// Table definition bytes for Jet 4: header, index entries, column descriptors, names, real and
// logical index definitions, index names, long-value map pointers, end marker.
#include <algorithm>
#include <cstring>

#include "platform/jet/jet_layout.h"
#include "platform/jet/jet_types.h"
#include "platform/jet/write/jet_table_shape.h"

namespace jet {

namespace {

void put_name(std::vector<std::uint8_t>& out, const std::wstring& name) {
  std::vector<std::uint8_t> text;
  jet_append_utf16(text, name);
  jet_append16(out, static_cast<std::uint32_t>(text.size()));
  out.insert(out.end(), text.begin(), text.end());
}

// Sort order "General (legacy)", 1033 version 0: what Access stores in every column that is not
// a Decimal.
constexpr std::uint8_t general_legacy_sort[] = {0x09, 0x04, 0x00, 0x00};
constexpr std::uint8_t index_ascending = 0x01;
constexpr std::uint8_t index_descending = 0x02;

}  // namespace

void jet_lay_out_columns(std::vector<jet_column_shape>& columns) {
  std::vector<jet_column_shape*> by_number;
  for (auto& c : columns) by_number.push_back(&c);
  std::sort(by_number.begin(), by_number.end(),
            [](const jet_column_shape* a, const jet_column_shape* b) { return a->number < b->number; });
  int fixed_at = 0, var_count = 0;
  for (auto* c : by_number) {
    if (c->fixed) {
      c->var_index = var_count;
      c->fixed_offset = c->type == jet_bool ? 0 : fixed_at;
      if (c->type != jet_bool) fixed_at += c->length;
    } else {
      c->var_index = var_count++;
      c->fixed_offset = 0;
    }
  }
}

std::vector<std::uint8_t> jet_build_tdef(const jet_table_shape& t) {
  const jet_tdef_layout& L = jet4_tdef_layout;
  std::vector<std::uint8_t> out(L.real_idx_start, 0);
  std::uint8_t* h = out.data();
  h[0] = jet_page_tdef;
  h[1] = jet_page_marker;
  jet_put32(h + jet4_tdef_magic_at, jet4_tdef_magic);
  jet_put32(h + jet4_tdef_rows_at, t.rows);
  jet_put32(h + jet4_tdef_autonumber_at, t.autonumber);
  h[jet4_tdef_flag_at] = 1;
  h[jet4_tdef_table_type_at] = t.system ? jet4_table_system : jet4_table_user;
  std::uint32_t var_cols = 0;
  for (const auto& c : t.columns)
    if (!c.fixed) ++var_cols;
  jet_put16(h + jet4_tdef_max_cols_at, static_cast<std::uint32_t>(t.next_column_number));
  jet_put16(h + jet4_tdef_var_cols_at, var_cols);
  jet_put16(h + L.num_cols, static_cast<std::uint32_t>(t.columns.size()));
  jet_put32(h + L.num_idx, static_cast<std::uint32_t>(t.logical_indexes.size()));
  jet_put32(h + L.num_real_idx, static_cast<std::uint32_t>(t.real_indexes.size()));
  jet_put32(h + jet4_tdef_owned_map_at, jet_row_pointer_word(t.owned_map));
  jet_put32(h + jet4_tdef_free_map_at, jet_row_pointer_word(t.free_map));

  for (const auto& r : t.real_indexes) {
    std::uint8_t e[12] = {};
    jet_put32(e + 4, r.entries);
    out.insert(out.end(), e, e + sizeof e);
  }
  for (const auto& c : t.columns) {
    std::uint8_t e[25] = {};
    e[L.col_type] = static_cast<std::uint8_t>(c.type);
    jet_put32(e + jet4_col_magic_at, jet4_tdef_magic);
    jet_put16(e + L.col_num, static_cast<std::uint32_t>(c.number));
    jet_put16(e + jet4_col_var_index_at, static_cast<std::uint32_t>(c.var_index));
    jet_put16(e + jet4_col_num_again_at, static_cast<std::uint32_t>(c.number));
    if (c.type == jet_numeric) {
      e[jet4_col_misc_at] = static_cast<std::uint8_t>(c.precision);
      e[jet4_col_misc_at + 1] = static_cast<std::uint8_t>(c.scale);
    } else {
      std::memcpy(e + jet4_col_misc_at, general_legacy_sort, sizeof general_legacy_sort);
    }
    e[L.col_flags] = c.flags;
    e[L.col_ext_flags] = c.ext_flags;
    jet_put16(e + jet4_col_fixed_offset_at, static_cast<std::uint32_t>(c.fixed_offset));
    jet_put16(e + jet4_col_length_at, static_cast<std::uint32_t>(c.length));
    out.insert(out.end(), e, e + sizeof e);
  }
  for (const auto& c : t.columns) put_name(out, c.name);

  for (const auto& r : t.real_indexes) {
    std::uint8_t e[52] = {};
    jet_put32(e, jet4_real_index_magic);
    for (std::size_t k = 0; k < jet4_real_idx_key_columns; ++k) {
      std::uint8_t* slot = e + L.real_idx_cols + 3 * k;
      if (k < r.columns.size()) {
        jet_put16(slot, static_cast<std::uint32_t>(r.columns[k].number));
        slot[2] = r.columns[k].descending ? index_descending : index_ascending;
      } else {
        jet_put16(slot, 0xFFFF);
      }
    }
    jet_put32(e + jet4_real_idx_map_at, jet_row_pointer_word(r.map));
    jet_put32(e + jet4_real_idx_root_at, r.root_page);
    e[L.real_idx_flags] = r.flags;
    out.insert(out.end(), e, e + sizeof e);
  }
  for (const auto& l : t.logical_indexes) {
    std::uint8_t e[28] = {};
    jet_put32(e, jet4_tdef_magic);
    jet_put32(e + L.logical_number, static_cast<std::uint32_t>(l.number));
    jet_put32(e + L.logical_real, static_cast<std::uint32_t>(l.real));
    e[12] = l.rel_table_type;
    jet_put32(e + 13, l.rel_index);
    jet_put32(e + 17, l.rel_table_page);
    e[21] = l.cascade_updates;
    e[22] = l.cascade_deletes;
    e[L.logical_type] = l.type;
    out.insert(out.end(), e, e + sizeof e);
  }
  for (const auto& l : t.logical_indexes) put_name(out, l.name);

  for (const auto& m : t.long_value_maps) {
    jet_append16(out, static_cast<std::uint32_t>(m.number));
    jet_append32(out, jet_row_pointer_word(m.owned));
    jet_append32(out, jet_row_pointer_word(m.free));
  }
  jet_append16(out, 0xFFFF);
  jet_put32(out.data() + jet4_tdef_length_at, static_cast<std::uint32_t>(out.size()));
  return out;
}

std::size_t jet_tdef_page_count(std::size_t joined_size) {
  if (joined_size <= jet4_page_size) return 1;
  const std::size_t per_page = jet4_page_size - jet4_tdef_continuation_header;
  return 1 + (joined_size - jet4_page_size + per_page - 1) / per_page;
}

std::vector<std::vector<std::uint8_t>> jet_split_tdef(const std::vector<std::uint8_t>& joined,
                                                      const std::vector<std::uint32_t>& pages) {
  std::vector<std::vector<std::uint8_t>> out;
  std::size_t at = 0;
  for (std::size_t i = 0; i < pages.size(); ++i) {
    std::vector<std::uint8_t> page(jet4_page_size, 0);
    std::size_t start = i == 0 ? 0 : jet4_tdef_continuation_header;
    std::size_t n = std::min(jet4_page_size - start, joined.size() - at);
    std::memcpy(page.data() + start, joined.data() + at, n);
    at += n;
    page[0] = jet_page_tdef;
    page[1] = jet_page_marker;
    std::size_t used = start + n;
    jet_put16(page.data() + jet4_tdef_free_space_at,
              static_cast<std::uint32_t>(jet4_page_size - used >= 8 ? jet4_page_size - used - 8 : 0));
    jet_put32(page.data() + jet4_tdef_next_page_at, i + 1 < pages.size() ? pages[i + 1] : 0);
    out.push_back(std::move(page));
  }
  return out;
}

}  // namespace jet
