// Row assembly for Jet 4 tables.
#include "platform/jet/write/jet_row_builder.h"

#include <algorithm>
#include <cstring>

#include "platform/jet/jet_layout.h"
#include "platform/jet/write/jet_bytes.h"
#include "platform/jet/write/jet_value_encoder.h"
#include "platform/jet/write/jet_write_error.h"

namespace jet {

namespace {

bool is_long_value(int type) { return type == jet_memo || type == jet_ole; }

[[noreturn]] void too_large() { throw jet_write_error(jet_err_record_too_large, "Record is too large."); }

}  // namespace

jet_row_builder::jet_row_builder(const std::vector<jet_column_shape>& columns) : columns_(columns) {
  std::sort(columns_.begin(), columns_.end(),
            [](const jet_column_shape& a, const jet_column_shape& b) { return a.number < b.number; });
  for (std::size_t i = 0; i < columns_.size(); ++i) {
    const auto& c = columns_[i];
    if (c.fixed) {
      if (c.type != jet_bool) fixed_size_ = std::max(fixed_size_, static_cast<std::size_t>(c.fixed_offset + c.length));
    } else {
      var_order_.push_back(i);
      if (is_long_value(c.type)) ++long_value_columns_;
    }
  }
  std::sort(var_order_.begin(), var_order_.end(),
            [&](std::size_t a, std::size_t b) { return columns_[a].var_index < columns_[b].var_index; });
  var_bytes_.resize(columns_.size());
}

const std::vector<std::uint8_t>& jet_row_builder::build(const std::vector<jet_value>& values,
                                                        jet_long_value_store& long_values) {
  const std::size_t n = columns_.size();
  const std::size_t mask_size = (n + 7) / 8;
  const bool has_var = !var_order_.empty();
  const std::size_t tail = mask_size + (has_var ? 2 + 2 + 2 * var_order_.size() : 0);
  row_.assign(2 + fixed_size_, 0);
  jet_put16(row_.data(), static_cast<std::uint32_t>(n));
  std::vector<std::uint8_t> mask(mask_size, 0);
  auto mark = [&](const jet_column_shape& c) {
    mask[static_cast<std::size_t>(c.number) / 8] |= static_cast<std::uint8_t>(1u << (c.number % 8));
  };

  std::size_t var_total = 0;
  for (std::size_t i = 0; i < n; ++i) {
    const auto& c = columns_[i];
    const jet_value& v = i < values.size() ? values[i] : jet_value(jet_null{});
    var_bytes_[i].clear();
    bool null = std::holds_alternative<jet_null>(v);
    if (c.type == jet_bool) {
      if (!null && jet_encode_bool(v)) mark(c);
      continue;
    }
    if (null) continue;
    mark(c);
    if (c.fixed) {
      jet_encode_fixed(c, v, row_.data() + 2 + c.fixed_offset);
    } else {
      var_bytes_[i] = jet_encode_variable(c, v);
      if (!is_long_value(c.type)) var_total += var_bytes_[i].size();
    }
  }
  // Long values last: each may stay in the row only as far as the others leave room.
  std::size_t size = row_.size() + var_total + tail;
  std::size_t headers_left = 0;
  for (std::size_t i : var_order_)
    if (is_long_value(columns_[i].type) && (mask[columns_[i].number / 8] & (1u << (columns_[i].number % 8))))
      ++headers_left;
  for (std::size_t i : var_order_) {
    const auto& c = columns_[i];
    if (!is_long_value(c.type) || !(mask[c.number / 8] & (1u << (c.number % 8)))) continue;
    --headers_left;
    std::size_t reserved = size + headers_left * jet4_long_value_header;
    if (reserved + jet4_long_value_header > jet4_max_row_size) too_large();
    var_bytes_[i] = long_values.store(c, var_bytes_[i], jet4_max_row_size - reserved);
    size += var_bytes_[i].size();
  }
  if (size > jet4_max_row_size) too_large();

  if (has_var) {
    std::vector<std::uint16_t> offsets;
    for (std::size_t i : var_order_) {
      offsets.push_back(static_cast<std::uint16_t>(row_.size()));
      row_.insert(row_.end(), var_bytes_[i].begin(), var_bytes_[i].end());
    }
    jet_append16(row_, static_cast<std::uint32_t>(row_.size()));  // end of the variable data
    for (auto it = offsets.rbegin(); it != offsets.rend(); ++it) jet_append16(row_, *it);
    jet_append16(row_, static_cast<std::uint32_t>(offsets.size()));
  }
  row_.insert(row_.end(), mask.begin(), mask.end());
  return row_;
}

}  // namespace jet
