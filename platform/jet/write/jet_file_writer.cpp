// The Jet 4 file writer behind jet_writer::create: pages handed out in order, data pages
// written as they fill, and at close the catalog rows, usage maps, definitions and the global
// page map, then the rename into place.
#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_layout.h"
#include "platform/jet/jet_values.h"
#include "platform/jet/write/jet_bytes.h"
#include "platform/jet/write/jet_data_page.h"
#include "platform/jet/write/jet_index_builder.h"
#include "platform/jet/write/jet_index_key.h"
#include "platform/jet/write/jet_index_page.h"
#include "platform/jet/write/jet_long_value_writer.h"
#include "platform/jet/write/jet_page_sink.h"
#include "platform/jet/write/jet_page_store.h"
#include "platform/jet/write/jet_property_blob.h"
#include "platform/jet/write/jet_relationship_rows.h"
#include "platform/jet/write/jet_row_builder.h"
#include "platform/jet/write/jet_stored_row.h"
#include "platform/jet/write/jet_system_tables.h"
#include "platform/jet/write/jet_text_sort_key.h"
#include "platform/jet/write/jet_usage_map.h"
#include "platform/jet/write/jet_value_encoder.h"
#include "platform/jet/write/jet_write_refusal.h"
#include "platform/jet/write/jet_writer.h"

namespace jet {

namespace {

constexpr long err_already_exists = 3204;
constexpr long err_table_exists = 3010;
constexpr long err_not_found = 3265;
constexpr long err_disk_full = 3026;
constexpr long err_invalid_path = 3044;
constexpr long err_cannot_write = 3051;
constexpr long err_bad_name = 3125;
constexpr long err_field_twice = 3191;
constexpr long err_too_many_fields = 3190;
constexpr long err_bad_field_type = 3259;
constexpr long err_no_fields = 3264;
constexpr long err_duplicate_key = 3022;
constexpr long err_null_in_key = 3058;
constexpr long err_primary_exists = 3283;
constexpr long err_index_exists = 3284;
constexpr long err_too_many_indexes = 3626;
constexpr long err_input_not_found = 3078;
constexpr long err_related_record_required = 3201;
constexpr long err_in_relationship = 3303;
constexpr long err_relation_no_fields = 3366;
constexpr long err_name_in_collection = 3367;
constexpr long err_relation_mismatch = 3368;
constexpr long err_integrity_violated = 3379;
constexpr long err_bad_relation_field = 3409;
constexpr long err_no_unique_index = 3609;
constexpr std::size_t max_columns = 255;

std::string narrow(const std::wstring& w) {
  std::string s;
  for (wchar_t c : w) s += c < 0x80 ? static_cast<char>(c) : '?';
  return s;
}

[[noreturn]] void io_error(int error, const std::string& path) {
  if (error == ENOSPC || error == EDQUOT) throw jet_write_error(err_disk_full, "Not enough space on disk.");
  if (error == ENOENT || error == ENOTDIR)
    throw jet_write_error(err_invalid_path, "'" + path + "' is not a valid path.");
  throw jet_write_error(err_cannot_write, "Cannot write the file '" + path + "': " + std::strerror(error) + ".");
}

double ole_date_now() {
  constexpr double unix_epoch_as_ole_date = 25569.0;
  return static_cast<double>(std::time(nullptr)) / 86400.0 + unix_epoch_as_ole_date;
}

bool is_long_value(int type) { return type == jet_memo || type == jet_ole; }

// The widths Access gives fixed columns.
int fixed_length(int type) {
  switch (type) {
    case jet_bool:
    case jet_byte: return 1;
    case jet_int: return 2;
    case jet_long:
    case jet_float: return 4;
    case jet_money:
    case jet_double:
    case jet_datetime: return 8;
    case jet_guid: return 16;
    case jet_numeric: return 17;
    default: return 0;
  }
}

class file_writer;

// Pages one owner (a long-value column, an index) takes: each page handed out is recorded for
// the owner's usage map. `reserved`: a page set aside for the owner beforehand (a system index's
// first page in the blank layout), handed out first; 0 when there is none.
class owned_sink final : public jet_page_sink {
 public:
  owned_sink(file_writer& w, std::vector<std::uint32_t>& pages, std::uint32_t reserved = 0)
      : w_(w), pages_(pages), reserved_(reserved) {}
  std::uint32_t allocate_page() override;
  void write_page(std::uint32_t number, const std::vector<std::uint8_t>& page) override;

 private:
  file_writer& w_;
  std::vector<std::uint32_t>& pages_;
  std::uint32_t reserved_;
};

// What one real index needs from each row: where its key columns sit among the row's values
// (values come in column-number order), their types and order, and the entries gathered so far.
struct index_keys {
  std::vector<std::size_t> positions;
  std::vector<jet_key_column> columns;
  bool ignore_nulls = false;
  bool required = false;
  bool unique = false;
  jet_index_builder entries;
  // A unique index checks each new key (one without a NULL column) against the keys so far, so
  // a row repeating one is refused when it is appended rather than failing the whole file at
  // close. While keys arrive in increasing order (a table copied in key order) the greatest
  // is all it takes; the first key out of order sets up a lookup of them all.
  std::string greatest;
  bool in_order = true;
  std::unordered_set<std::string> seen;
  std::vector<std::uint32_t> pages;  // the pages its tree takes, for its usage map
};

// One row's key for each real index of its table, made before the row is stored.
struct row_key {
  std::vector<std::uint8_t> key;
  std::string text;  // the key's bytes, for a unique index's lookup
  bool any_null = false;
  bool all_null = false;
};

struct table_state {
  std::wstring name;
  std::uint32_t tdef_page = 0;
  std::vector<jet_new_column> columns;  // as defined: their properties go into the catalog row
  jet_table_shape shape;
  std::unique_ptr<jet_row_builder> builder;
  std::unique_ptr<jet_long_value_store> long_values;
  jet_data_page page{0};
  std::uint32_t page_number = 0;  // of the page being filled; 0: none yet
  std::vector<std::uint32_t> data_pages;
  std::vector<std::vector<std::uint32_t>> long_value_pages;  // per entry of shape.long_value_maps
  std::vector<std::uint32_t> free_pages;                     // data pages with room left
  std::vector<std::uint32_t> map_pages;                      // user tables: their usage-map pages
  std::vector<index_keys> indexes;                           // per entry of shape.real_indexes
  int autonumber_column = -1;
  bool deleted = false;
};

// A relationship as the system tables will list it, with the tables it joins.
struct relationship_state {
  jet_relationship_rows_input rows;
  jet_table_id table = 0;
  jet_table_id foreign_table = 0;
  bool enforced = false;
  std::size_t real = 0;          // enforced: the referenced table's unique index
  std::size_t foreign_real = 0;  // and the foreign table's index on the key
};

class file_writer final : public jet_writer, public jet_page_sink {
 public:
  file_writer(std::string target, const jet_header_options& options) : target_(std::move(target)), options_(options) {}
  ~file_writer() override { abandon(); }

  void start();
  void create_temporary();

  jet_table_id add_table(const std::wstring& name, const std::vector<jet_new_column>& columns) override;
  void delete_table(const std::wstring& name) override;
  void append_row(jet_table_id table, const std::vector<jet_value>& values) override;
  std::uint32_t row_count(jet_table_id table) const override;
  void add_relationship(const jet_new_relationship& relationship) override;
  void close() override;
  void abandon() override;

  std::uint32_t allocate_page() override;
  void write_page(std::uint32_t number, const std::vector<std::uint8_t>& page) override;

 private:
  table_state& live(jet_table_id id);
  void append_to(table_state& t, const std::vector<jet_value>& values);
  void flush_page(table_state& t);
  jet_bytes table_properties(const table_state& t) const;
  void write_maps(table_state& t, bool system);
  void write_definition(table_state& t);
  static void sort_logical_indexes(table_state& t);
  int add_index(jet_table_id table, const jet_new_index& index) override;

  index_keys plan_index(const table_state& t, const jet_real_index_shape& r) const;
  static std::vector<row_key> make_keys(table_state& t, const std::vector<jet_value>& values);
  static row_key make_key(const index_keys& k, const std::vector<jet_value>& values);
  static void check_key(index_keys& k, const row_key& key);
  static void note_key(index_keys& k, row_key& key, const jet_row_pointer& where);
  void fill_from_rows(table_state& t, index_keys& k);
  void build_indexes(table_state& t);
  jet_table_id live_named(const std::wstring& name, const std::wstring& shown) const;
  index_keys index_over_rows(table_state& t, const jet_real_index_shape& r);
  void check_references(const table_state& t, const std::vector<row_key>& keys) const;
  void finish();

  std::string target_, temp_;
  jet_header_options options_;
  jet_page_store store_;
  std::vector<bool> written_;
  std::vector<bool> freed_;
  std::vector<std::unique_ptr<table_state>> system_;
  std::vector<std::unique_ptr<table_state>> tables_;
  std::vector<std::vector<std::uint8_t>> system_map_rows_;
  std::vector<relationship_state> relationships_;
  bool open_ = false;
};

std::uint32_t owned_sink::allocate_page() {
  std::uint32_t n = reserved_ != 0 ? std::exchange(reserved_, 0u) : w_.allocate_page();
  pages_.push_back(n);
  return n;
}
void owned_sink::write_page(std::uint32_t number, const std::vector<std::uint8_t>& page) {
  w_.write_page(number, page);
}

// Memo and OLE values of a table on LVAL pages: one writer per long-value column, its pages
// recorded for that column's usage map.
class paged_long_values final : public jet_long_value_store {
 public:
  paged_long_values(file_writer& w, table_state& t) {
    for (std::size_t i = 0; i < t.shape.long_value_maps.size(); ++i) {
      sinks_.push_back(std::make_unique<owned_sink>(w, t.long_value_pages[i]));
      writers_.push_back(std::make_unique<jet_long_value_writer>(*sinks_.back()));
      columns_.push_back(t.shape.long_value_maps[i].number);
    }
  }
  std::vector<std::uint8_t> store(const jet_column_shape& column, const std::vector<std::uint8_t>& value,
                                  std::size_t room) override {
    for (std::size_t i = 0; i < columns_.size(); ++i)
      if (columns_[i] == column.number) return writers_[i]->store(value.data(), value.size(), room);
    throw jet_write_error(jet_err_record_too_large, "Record is too large.");
  }
  // Writes the pages still being filled (later values start new pages).
  void finish() {
    for (auto& w : writers_) w->finish();
  }

 private:
  std::vector<std::unique_ptr<owned_sink>> sinks_;
  std::vector<std::unique_ptr<jet_long_value_writer>> writers_;
  std::vector<int> columns_;
};

std::uint32_t file_writer::allocate_page() {
  if (store_.page_count() >= 0x00FFFFFFu) throw jet_write_error(err_disk_full, "Not enough space on disk.");
  std::uint32_t n = store_.reserve();
  written_.push_back(false);
  freed_.push_back(false);
  return n;
}

void file_writer::write_page(std::uint32_t number, const std::vector<std::uint8_t>& page) {
  if (!store_.write(number, page)) io_error(store_.error() ? store_.error() : EIO, temp_);
  written_[number] = true;
}

// The file grows under a hidden temporary name beside the target. The name is created
// exclusively, so two writers (threads of this process, or processes that share a folder and
// perhaps a process id across containers) never write into one file: a name taken is passed
// over for the next.
void file_writer::create_temporary() {
  namespace fs = std::filesystem;
  static std::atomic<std::uint64_t> counter{0};
  const fs::path target(target_);
  const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  const std::string stem = "." + target.filename().string() + "." + std::to_string(::getpid()) + "-";
  constexpr int attempts = 1000;
  for (int i = 0; i < attempts; ++i) {
    std::string name = (folder / (stem + std::to_string(counter.fetch_add(1) + 1) + ".tmp")).string();
    if (store_.create(name, jet4_page_size)) {
      temp_ = std::move(name);
      return;
    }
    const int error = errno;
    if (error != EEXIST) io_error(error, target_);
  }
  io_error(EEXIST, target_);
}

void file_writer::start() {
  if (options_.created == 0) options_.created = ole_date_now();
  create_temporary();
  open_ = true;
  std::vector<std::uint8_t> header;
  if (!jet_build_header_page(options_, header)) throw jet_write_error(err_bad_name, "The password is not valid.");
  for (std::uint32_t i = 0; i < jet_system_first_free_page; ++i) allocate_page();
  write_page(0, header);
  for (auto& s : jet_system_tables()) {
    auto t = std::make_unique<table_state>();
    t->name = s.name;
    t->tdef_page = s.page;
    t->shape = std::move(s.shape);
    t->builder = std::make_unique<jet_row_builder>(t->shape.columns);
    t->page = jet_data_page(s.page);
    t->long_value_pages.resize(t->shape.long_value_maps.size());
    // A catalog row's property blob outgrows the row for a table of many columns.
    t->long_values = std::make_unique<paged_long_values>(*this, *t);
    for (const auto& r : t->shape.real_indexes) t->indexes.push_back(plan_index(*t, r));
    system_.push_back(std::move(t));
  }
}

table_state& file_writer::live(jet_table_id id) {
  if (id >= tables_.size() || tables_[id]->deleted)
    throw jet_write_error(err_not_found, "Item not found in this collection.");
  return *tables_[id];
}

jet_table_id file_writer::add_table(const std::wstring& name, const std::vector<jet_new_column>& columns) {
  if (!open_) throw jet_write_error(err_cannot_write, "The database is closed.");
  // The catalog keeps a name in a 255-character text column: a longer one would fail only at close.
  std::vector<std::uint8_t> utf16;
  jet_append_utf16(utf16, name);
  if (name.empty() || utf16.size() > 510)
    throw jet_write_error(err_bad_name, "'" + narrow(name) + "' is not a valid name.");
  for (const auto& s : system_)
    if (jet_compare_names(s->name, name) == 0)
      throw jet_write_error(err_table_exists, "Table '" + narrow(name) + "' already exists.");
  for (const auto& t : tables_)
    if (!t->deleted && jet_compare_names(t->name, name) == 0)
      throw jet_write_error(err_table_exists, "Table '" + narrow(name) + "' already exists.");
  if (columns.size() > max_columns) throw jet_write_error(err_too_many_fields, "Too many fields defined.");

  auto t = std::make_unique<table_state>();
  t->name = name;
  t->columns = columns;
  for (std::size_t i = 0; i < columns.size(); ++i) {
    const auto& c = columns[i];
    if (c.name.empty()) throw jet_write_error(err_bad_name, "'' is not a valid name.");
    for (std::size_t k = 0; k < i; ++k)
      if (jet_compare_names(columns[k].name, c.name) == 0)
        throw jet_write_error(err_field_twice, "Cannot define field more than once.");
    jet_column_shape s;
    s.name = c.name;
    s.type = c.type;
    s.number = static_cast<int>(i);
    s.flags = jet_col_flag_nullable;
    switch (c.type) {
      case jet_text:
      case jet_binary:
        if (c.size <= 0 || c.size > 510) throw jet_write_error(err_bad_field_type, "Invalid field data type.");
        s.length = c.size;
        break;
      case jet_memo:
      case jet_ole: s.length = 0; break;
      default:
        s.length = fixed_length(c.type);
        if (s.length == 0) throw jet_write_error(err_bad_field_type, "Invalid field data type.");
        s.fixed = true;
        s.flags |= jet_col_flag_fixed;
    }
    if (c.type == jet_numeric) {
      if (c.precision < 1 || c.precision > 28 || c.scale < 0 || c.scale > c.precision)
        throw jet_write_error(err_bad_field_type, "Invalid field data type.");
      s.precision = c.precision;
      s.scale = c.scale;
    }
    if (c.auto_increment) {
      if (c.type != jet_long || t->autonumber_column >= 0)
        throw jet_write_error(err_bad_field_type, "Invalid field data type.");
      s.flags |= jet_col_flag_autonumber;
      t->autonumber_column = static_cast<int>(i);
    }
    t->shape.columns.push_back(s);
  }
  t->shape.next_column_number = static_cast<int>(columns.size());
  jet_lay_out_columns(t->shape.columns);
  for (const auto& c : t->shape.columns)
    if (is_long_value(c.type)) t->shape.long_value_maps.push_back({c.number, {}, {}});
  t->long_value_pages.resize(t->shape.long_value_maps.size());
  t->builder = std::make_unique<jet_row_builder>(t->shape.columns);
  t->long_values = std::make_unique<paged_long_values>(*this, *t);
  t->tdef_page = allocate_page();
  t->page = jet_data_page(t->tdef_page);
  tables_.push_back(std::move(t));
  return tables_.size() - 1;
}

void file_writer::delete_table(const std::wstring& name) {
  for (std::size_t id = 0; id < tables_.size(); ++id) {
    auto& t = tables_[id];
    if (t->deleted || jet_compare_names(t->name, name) != 0) continue;
    // The other table's index entries name this one: it stays while a relationship joins them.
    for (const auto& r : relationships_)
      if (r.table == id || r.foreign_table == id) jet_refuse(err_in_relationship);
    t->deleted = true;
    // Its pages go back to the free pages of the file.
    freed_[t->tdef_page] = true;
    if (t->page_number != 0) freed_[t->page_number] = true;
    for (std::uint32_t p : t->data_pages) freed_[p] = true;
    for (const auto& pages : t->long_value_pages)
      for (std::uint32_t p : pages) freed_[p] = true;
    t->data_pages.clear();
    return;
  }
  throw jet_write_error(err_not_found, "Item not found in this collection.");
}

void file_writer::append_row(jet_table_id table, const std::vector<jet_value>& values) {
  if (!open_) throw jet_write_error(err_cannot_write, "The database is closed.");
  table_state& t = live(table);
  if (values.size() != t.shape.columns.size())
    throw jet_write_error(err_not_found, "Item not found in this collection.");
  if (t.autonumber_column < 0) return append_to(t, values);
  // AutoNumber: a NULL takes the next number; an explicit value is kept and moves the counter.
  auto a = static_cast<std::size_t>(t.autonumber_column);
  std::vector<jet_value> row = values;
  std::uint32_t counter = t.shape.autonumber;
  if (std::holds_alternative<jet_null>(row[a])) {
    row[a] = static_cast<std::int32_t>(counter + 1);
    counter += 1;
  } else {
    std::uint8_t probe[4];
    jet_encode_fixed(t.shape.columns[a], row[a], probe);
    auto v = static_cast<std::int32_t>(jet_u32(probe));
    if (v > static_cast<std::int32_t>(counter)) counter = static_cast<std::uint32_t>(v);
  }
  append_to(t, row);
  t.shape.autonumber = counter;
}

void file_writer::append_to(table_state& t, const std::vector<jet_value>& values) {
  // The keys are made and checked, then the whole row is built, before any byte of either is
  // kept: a refused row leaves no entry in any index and no long value behind.
  std::vector<row_key> keys = make_keys(t, values);
  check_references(t, keys);
  const std::vector<std::uint8_t>& row = t.builder->build(values, *t.long_values);
  if (t.page_number == 0 || !t.page.fits(row.size())) {
    if (t.page_number != 0) flush_page(t);
    t.page_number = allocate_page();
  }
  const jet_row_pointer where{t.page_number, static_cast<std::uint8_t>(t.page.row_count())};
  for (std::size_t i = 0; i < keys.size(); ++i) note_key(t.indexes[i], keys[i], where);
  t.page.add(row.data(), row.size());
  ++t.shape.rows;
}

// How rows give the keys of one real index: where its key columns sit among a row's values.
index_keys file_writer::plan_index(const table_state& t, const jet_real_index_shape& r) const {
  std::vector<int> numbers;
  for (const auto& c : t.shape.columns) numbers.push_back(c.number);
  std::sort(numbers.begin(), numbers.end());
  index_keys k{{},
               {},
               (r.flags & jet_index_ignore_nulls) != 0,
               (r.flags & jet_index_required) != 0,
               (r.flags & jet_index_unique) != 0,
               jet_index_builder(t.tdef_page, (r.flags & jet_index_unique) != 0),
               {},
               true,
               {},
               {}};
  for (const auto& kc : r.columns) {
    auto at = std::lower_bound(numbers.begin(), numbers.end(), kc.number);
    const auto column = std::find_if(t.shape.columns.begin(), t.shape.columns.end(),
                                     [&](const jet_column_shape& c) { return c.number == kc.number; });
    if (at == numbers.end() || *at != kc.number || column == t.shape.columns.end())
      throw jet_write_error(err_not_found, "Item not found in this collection.");
    k.positions.push_back(static_cast<std::size_t>(at - numbers.begin()));
    k.columns.push_back({column->type, !kc.descending});
  }
  return k;
}

row_key file_writer::make_key(const index_keys& k, const std::vector<jet_value>& values) {
  row_key out;
  out.all_null = true;
  const jet_value null_value = jet_null{};
  for (std::size_t i = 0; i < k.positions.size(); ++i) {
    const std::size_t p = k.positions[i];
    const jet_value& v = p < values.size() ? values[p] : null_value;
    const bool null = std::holds_alternative<jet_null>(v);
    out.any_null = out.any_null || null;
    out.all_null = out.all_null && null;
    jet_append_key_segment(k.columns[i], v, out.key);
  }
  if (out.key.size() > jet_index_most_key_size) jet_refuse(jet_err_record_too_large);
  // A unique index looks the key up, and keeps it, under one copy made here.
  if (k.unique && !out.any_null) out.text.assign(out.key.begin(), out.key.end());
  return out;
}

// Refuses a key its index cannot take: a NULL in a required index, a repeat in a unique one.
void file_writer::check_key(index_keys& k, const row_key& key) {
  if (k.required && key.any_null) jet_refuse(err_null_in_key);
  if (!k.unique || key.any_null) return;
  if (k.in_order) {
    if (key.text > k.greatest) return;
    k.entries.for_each_key([&](const std::uint8_t* bytes, std::size_t size, bool has_null) {
      if (!has_null) k.seen.emplace(reinterpret_cast<const char*>(bytes), size);
    });
    k.greatest.clear();
    k.in_order = false;
  }
  if (k.seen.count(key.text) != 0) jet_refuse(err_duplicate_key);
}

void file_writer::note_key(index_keys& k, row_key& key, const jet_row_pointer& where) {
  // An "ignore nulls" index holds no entry for a row whose key is NULL throughout.
  if (k.ignore_nulls && key.all_null) return;
  if (k.unique && !key.any_null) {
    if (k.in_order)
      k.greatest = std::move(key.text);
    else
      k.seen.insert(std::move(key.text));
  }
  k.entries.add(key.key, where.page, where.row, key.any_null);
}

std::vector<row_key> file_writer::make_keys(table_state& t, const std::vector<jet_value>& values) {
  std::vector<row_key> keys;
  keys.reserve(t.indexes.size());
  for (auto& k : t.indexes) {
    keys.push_back(make_key(k, values));
    check_key(k, keys.back());
  }
  return keys;
}

// Gives a new index the entries of the rows already stored: they are read back from their pages
// (the page being filled from memory), in the order they were stored.
void file_writer::fill_from_rows(table_state& t, index_keys& k) {
  if (t.shape.rows == 0) return;
  // Long values still on a page being filled are written first, so they can be read back.
  if (auto* paged = dynamic_cast<paged_long_values*>(t.long_values.get())) paged->finish();
  jet_page_reader read = [&](std::uint32_t number) {
    if (number == t.page_number && t.page_number != 0) return t.page.bytes();
    std::vector<std::uint8_t> page(jet4_page_size);
    if (!store_.read(number, page)) io_error(store_.error() ? store_.error() : EIO, temp_);
    return page;
  };
  std::vector<jet_column_shape> by_number = t.shape.columns;
  std::sort(by_number.begin(), by_number.end(),
            [](const jet_column_shape& a, const jet_column_shape& b) { return a.number < b.number; });
  std::vector<std::uint32_t> pages = t.data_pages;
  if (t.page_number != 0) pages.push_back(t.page_number);
  std::vector<jet_value> values(by_number.size(), jet_null{});
  for (std::uint32_t number : pages) {
    const std::vector<std::uint8_t> page = read(number);
    const std::vector<jet_stored_row_span> rows = jet_page_rows(page);
    for (std::size_t r = 0; r < rows.size(); ++r) {
      for (std::size_t p : k.positions)
        values[p] = jet_stored_value(by_number[p], page.data() + rows[r].start, rows[r].size, read);
      row_key key = make_key(k, values);
      check_key(k, key);
      note_key(k, key, {number, static_cast<std::uint8_t>(r)});
    }
  }
}

int file_writer::add_index(jet_table_id table, const jet_new_index& index) {
  if (!open_) throw jet_write_error(err_cannot_write, "The database is closed.");
  table_state& t = live(table);
  std::vector<std::uint8_t> utf16;
  jet_append_utf16(utf16, index.name);
  if (index.name.empty() || utf16.size() > 510)
    throw jet_write_error(err_bad_name, "'" + narrow(index.name) + "' is not a valid name.");
  for (const auto& l : t.shape.logical_indexes) {
    if (jet_compare_names(l.name, index.name) == 0) jet_refuse(err_index_exists);
    if (index.primary && l.type == jet_logical_primary) jet_refuse(err_primary_exists);
  }
  if (t.shape.logical_indexes.size() >= jet_index_most_per_table)
    throw jet_write_error(err_too_many_indexes, "The operation failed. There are too many indexes on table '" +
                                                    narrow(t.name) +
                                                    "'. Delete some of the indexes on the table and try the "
                                                    "operation again.");
  if (index.columns.empty()) jet_refuse(err_no_fields);
  if (index.columns.size() > jet_index_most_columns)
    throw jet_write_error(err_too_many_fields, "Too many fields defined.");

  jet_real_index_shape real;
  for (const auto& ic : index.columns) {
    const auto column = std::find_if(t.shape.columns.begin(), t.shape.columns.end(), [&](const jet_column_shape& c) {
      return jet_compare_names(c.name, ic.name) == 0;
    });
    if (column == t.shape.columns.end()) jet_refuse(err_not_found);
    if (column->type == jet_ole) jet_refuse(err_bad_field_type);
    for (const auto& kc : real.columns)
      if (kc.number == column->number) throw jet_write_error(err_field_twice, "Cannot define field more than once.");
    real.columns.push_back({column->number, ic.descending});
  }
  real.flags = static_cast<std::uint8_t>(jet_index_always | (index.unique || index.primary ? jet_index_unique : 0) |
                                         (index.ignore_nulls ? jet_index_ignore_nulls : 0) |
                                         (index.required || index.primary ? jet_index_required : 0));

  // An index on the same columns in the same order with the same flags shares the stored one.
  auto same = [&](const jet_real_index_shape& r) {
    if (r.flags != real.flags || r.columns.size() != real.columns.size()) return false;
    for (std::size_t i = 0; i < r.columns.size(); ++i)
      if (r.columns[i].number != real.columns[i].number || r.columns[i].descending != real.columns[i].descending)
        return false;
    return true;
  };
  auto shared = std::find_if(t.shape.real_indexes.begin(), t.shape.real_indexes.end(), same);
  int real_number = static_cast<int>(shared - t.shape.real_indexes.begin());
  if (shared == t.shape.real_indexes.end()) {
    // Built to the side first: rows that refuse the index leave the table as it was.
    index_keys keys = plan_index(t, real);
    fill_from_rows(t, keys);
    t.shape.real_indexes.push_back(real);
    t.indexes.push_back(std::move(keys));
  }

  jet_logical_index_shape logical;
  logical.name = index.name;
  logical.number = static_cast<int>(t.shape.logical_indexes.size());
  logical.real = real_number;
  logical.type = index.primary ? jet_logical_primary : jet_logical_plain;
  t.shape.logical_indexes.push_back(logical);
  return logical.number;
}

// Builds the tree of every real index from the entries its rows left and records root page and
// distinct-key count for the definition. A table that never got a row gets an empty leaf each.
void file_writer::build_indexes(table_state& t) {
  for (std::size_t i = 0; i < t.indexes.size(); ++i) {
    auto& r = t.shape.real_indexes[i];
    owned_sink sink(*this, t.indexes[i].pages, r.root_page);
    const jet_index_tree tree = t.indexes[i].entries.build(sink);
    r.root_page = tree.root_page;
    r.entries = tree.unique_key_count;
  }
}

jet_table_id file_writer::live_named(const std::wstring& name, const std::wstring& shown) const {
  for (std::size_t id = 0; id < tables_.size(); ++id)
    if (!tables_[id]->deleted && jet_compare_names(tables_[id]->name, name) == 0) return id;
  jet_refuse(err_input_not_found, shown);
}

// The entries a new real index of `t` takes from the rows already stored, built to the side so
// that a refusal leaves the table as it was.
index_keys file_writer::index_over_rows(table_state& t, const jet_real_index_shape& r) {
  index_keys k = plan_index(t, r);
  fill_from_rows(t, k);
  return k;
}

// A row of a table holding enforced foreign keys must find its referenced row.
void file_writer::check_references(const table_state& t, const std::vector<row_key>& keys) const {
  for (const auto& r : relationships_) {
    if (!r.enforced || tables_[r.foreign_table].get() != &t) continue;
    const row_key& key = keys[r.foreign_real];
    if (key.any_null) continue;
    const table_state& parent = *tables_[r.table];
    if (parent.indexes[r.real].seen.count(std::string(key.key.begin(), key.key.end())) == 0)
      jet_refuse(err_related_record_required, parent.name);
  }
}

namespace {

const jet_column_shape& named_column(const table_state& t, const std::wstring& name) {
  for (const auto& c : t.shape.columns)
    if (jet_compare_names(c.name, name) == 0) return c;
  jet_refuse(err_bad_relation_field, name);
}

bool same_key(const jet_real_index_shape& r, const std::vector<jet_index_key_column>& key) {
  if (r.columns.size() != key.size()) return false;
  for (std::size_t i = 0; i < key.size(); ++i)
    if (r.columns[i].number != key[i].number || r.columns[i].descending) return false;
  return true;
}

[[noreturn]] void too_many_indexes(const table_state& t) {
  throw jet_write_error(err_too_many_indexes, "The operation failed. There are too many indexes on table '" +
                                                  narrow(t.name) +
                                                  "'. Delete some of the indexes on the table and try the "
                                                  "operation again.");
}

}  // namespace

void file_writer::add_relationship(const jet_new_relationship& r) {
  if (!open_) throw jet_write_error(err_cannot_write, "The database is closed.");
  std::vector<std::uint8_t> utf16;
  jet_append_utf16(utf16, r.name);
  if (r.name.empty() || utf16.size() > 510)
    throw jet_write_error(err_bad_name, "'" + narrow(r.name) + "' is not a valid name.");
  for (const auto& x : relationships_)
    if (jet_compare_names(x.rows.name, r.name) == 0) jet_refuse(err_name_in_collection);
  const jet_table_id parent_id = live_named(r.table, r.table);
  const jet_table_id child_id = live_named(r.foreign_table, r.foreign_table);
  table_state& parent = *tables_[parent_id];
  table_state& child = *tables_[child_id];
  if (r.columns.empty() && r.foreign_columns.empty()) jet_refuse(err_relation_no_fields);
  if (r.columns.size() != r.foreign_columns.size()) jet_refuse(err_relation_mismatch);
  // A pair with one side unnamed stands for column lists of different lengths.
  for (std::size_t i = 0; i < r.columns.size(); ++i)
    if (r.columns[i].empty() != r.foreign_columns[i].empty()) jet_refuse(err_relation_mismatch);
  if (r.columns.size() > jet_index_most_columns) throw jet_write_error(err_too_many_fields, "Too many fields defined.");

  relationship_state state;
  state.table = parent_id;
  state.foreign_table = child_id;
  state.rows.name = r.name;
  state.rows.table = parent.name;
  state.rows.foreign_table = child.name;
  state.rows.attributes = r.attributes;
  std::vector<jet_index_key_column> parent_key, child_key;
  for (std::size_t i = 0; i < r.columns.size(); ++i) {
    const jet_column_shape& p = named_column(parent, r.columns[i]);
    const jet_column_shape& c = named_column(child, r.foreign_columns[i]);
    if (p.type != c.type) jet_refuse(err_relation_mismatch);
    if (is_long_value(p.type)) jet_refuse(err_bad_field_type);
    state.rows.columns.emplace_back(p.name, c.name);
    parent_key.push_back({p.number, false});
    child_key.push_back({c.number, false});
  }
  if ((r.attributes & jet_relation_dont_enforce) != 0) {
    relationships_.push_back(std::move(state));
    return;
  }

  // Enforced: the referenced rows are found through a unique index on exactly those columns.
  std::size_t parent_real = 0;
  while (parent_real < parent.shape.real_indexes.size() &&
         !(same_key(parent.shape.real_indexes[parent_real], parent_key) &&
           (parent.shape.real_indexes[parent_real].flags & jet_index_unique) != 0))
    ++parent_real;
  if (parent_real == parent.shape.real_indexes.size()) jet_refuse(err_no_unique_index);
  const std::size_t added = parent_id == child_id ? 2 : 1;
  if (child.shape.logical_indexes.size() + added > jet_index_most_per_table) too_many_indexes(child);
  if (parent.shape.logical_indexes.size() + added > jet_index_most_per_table) too_many_indexes(parent);
  for (const auto& l : child.shape.logical_indexes)
    if (jet_compare_names(l.name, r.name) == 0) throw jet_write_error(err_index_exists, "Index already exists.");

  // The foreign side shares a stored index on the same columns, or gets one of its own.
  std::size_t child_real = 0;
  while (child_real < child.shape.real_indexes.size() && !same_key(child.shape.real_indexes[child_real], child_key))
    ++child_real;
  std::optional<index_keys> new_index;
  jet_real_index_shape new_shape;
  new_shape.columns = child_key;
  if (child_real == child.shape.real_indexes.size()) new_index.emplace(index_over_rows(child, new_shape));

  // Every stored row whose key has no NULL must find its referenced row, as Access checks when
  // it enforces a relationship over existing data. Both keys encode the same types the same way.
  const jet_index_builder& child_entries = new_index ? new_index->entries : child.indexes[child_real].entries;
  // The referenced keys are looked up from now on (here and for each later row of the foreign
  // table), so the unique index keeps all of them, not only its greatest.
  index_keys& unique_keys = parent.indexes[parent_real];
  if (unique_keys.in_order) {
    unique_keys.entries.for_each_key([&](const std::uint8_t* key, std::size_t size, bool has_null) {
      if (!has_null) unique_keys.seen.emplace(reinterpret_cast<const char*>(key), size);
    });
    unique_keys.greatest.clear();
    unique_keys.in_order = false;
  }
  const auto& referenced_keys = unique_keys.seen;
  bool violated = false;
  child_entries.for_each_key([&](const std::uint8_t* key, std::size_t size, bool has_null) {
    if (!has_null && referenced_keys.count(std::string(reinterpret_cast<const char*>(key), size)) == 0) violated = true;
  });
  if (violated) jet_refuse(err_integrity_violated, child.name);

  if (new_index) {
    child.shape.real_indexes.push_back(new_shape);
    child.indexes.push_back(std::move(*new_index));
  }
  const std::uint8_t updates = jet_relationship_cascade_updates(r.attributes);
  const std::uint8_t deletes = jet_relationship_cascade_deletes(r.attributes);
  jet_logical_index_shape foreign;
  foreign.name = r.name;
  foreign.number = static_cast<int>(child.shape.logical_indexes.size());
  foreign.real = static_cast<int>(child_real);
  foreign.type = jet_logical_foreign;
  foreign.rel_table_type = 2;
  foreign.rel_table_page = parent.tdef_page;
  foreign.cascade_updates = updates;
  foreign.cascade_deletes = deletes;
  child.shape.logical_indexes.push_back(foreign);
  jet_logical_index_shape referenced;
  referenced.number = static_cast<int>(parent.shape.logical_indexes.size());
  referenced.name = jet_referenced_side_name(referenced.number);
  referenced.real = static_cast<int>(parent_real);
  referenced.type = jet_logical_foreign;
  referenced.rel_table_type = 1;
  referenced.rel_index = static_cast<std::uint32_t>(foreign.number);
  referenced.rel_table_page = child.tdef_page;
  referenced.cascade_updates = updates;
  referenced.cascade_deletes = deletes;
  parent.shape.logical_indexes.push_back(referenced);
  child.shape.logical_indexes[static_cast<std::size_t>(foreign.number)].rel_index =
      static_cast<std::uint32_t>(referenced.number);
  state.enforced = true;
  state.real = parent_real;
  state.foreign_real = child_real;
  relationships_.push_back(std::move(state));
}

void file_writer::flush_page(table_state& t) {
  if (t.page_number == 0) return;
  write_page(t.page_number, t.page.bytes());
  t.data_pages.push_back(t.page_number);
  // A page is offered for later rows while a small row still fits.
  if (t.page.free_space() >= 64) t.free_pages.push_back(t.page_number);
  t.page.clear();
  t.page_number = 0;
}

std::uint32_t file_writer::row_count(jet_table_id table) const {
  if (table >= tables_.size() || tables_[table]->deleted)
    throw jet_write_error(err_not_found, "Item not found in this collection.");
  return tables_[table]->shape.rows;
}

jet_bytes file_writer::table_properties(const table_state& t) const { return jet_build_property_blob(t.columns); }

// Usage-map rows: a system table's go to the rows of the shared map page its definition names;
// a user table's to map pages of its own.
void file_writer::write_maps(table_state& t, bool system) {
  if (auto* paged = dynamic_cast<paged_long_values*>(t.long_values.get())) paged->finish();
  std::vector<std::pair<jet_row_pointer*, std::vector<std::uint8_t>>> rows;
  rows.push_back({&t.shape.owned_map, jet_build_usage_map(t.data_pages, *this)});
  rows.push_back({&t.shape.free_map, jet_build_usage_map(t.free_pages, *this)});
  for (std::size_t i = 0; i < t.shape.long_value_maps.size(); ++i) {
    auto& m = t.shape.long_value_maps[i];
    rows.push_back({&m.owned, jet_build_usage_map(t.long_value_pages[i], *this)});
    rows.push_back({&m.free, jet_build_empty_map()});
  }
  for (std::size_t i = 0; i < t.shape.real_indexes.size(); ++i)
    rows.push_back({&t.shape.real_indexes[i].map, jet_build_usage_map(t.indexes[i].pages, *this)});
  if (system) {
    for (auto& [where, bytes] : rows) {
      if (system_map_rows_.size() <= where->row) system_map_rows_.resize(where->row + 1u);
      system_map_rows_[where->row] = std::move(bytes);
    }
    return;
  }
  std::uint32_t page_number = 0;
  jet_data_page page(0);
  for (auto& [where, bytes] : rows) {
    if (page_number == 0 || !page.fits(bytes.size())) {
      if (page_number != 0) write_page(page_number, page.bytes());
      page.clear();
      page_number = allocate_page();
      t.map_pages.push_back(page_number);
    }
    *where = {page_number, page.add(bytes.data(), bytes.size())};
  }
  write_page(page_number, page.bytes());
}

// Access stores a table's named indexes sorted by name in its text order (".rB", "Id",
// "PrimaryKey"), each keeping the number it was made with, which is what other entries cite.
void file_writer::sort_logical_indexes(table_state& t) {
  std::vector<std::pair<std::vector<std::uint8_t>, jet_logical_index_shape>> keyed;
  for (auto& l : t.shape.logical_indexes) keyed.emplace_back(jet_general_legacy_key_body(l.name), std::move(l));
  std::stable_sort(keyed.begin(), keyed.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  t.shape.logical_indexes.clear();
  for (auto& k : keyed) t.shape.logical_indexes.push_back(std::move(k.second));
}

void file_writer::write_definition(table_state& t) {
  std::vector<std::uint8_t> joined = jet_build_tdef(t.shape);
  std::vector<std::uint32_t> pages{t.tdef_page};
  while (pages.size() < jet_tdef_page_count(joined.size())) pages.push_back(allocate_page());
  auto images = jet_split_tdef(joined, pages);
  for (std::size_t i = 0; i < pages.size(); ++i) write_page(pages[i], images[i]);
}

void file_writer::close() {
  if (!open_) throw jet_write_error(err_cannot_write, "The database is closed.");
  try {
    finish();
  } catch (...) {
    abandon();
    throw;
  }
}

void file_writer::finish() {
  for (auto& t : tables_)
    if (!t->deleted) flush_page(*t);
  // Catalog rows: the blank database's, then one MSysObjects row and the MSysACEs rows of each
  // table, in the order the tables were made.
  table_state& objects = *system_[0];
  table_state& aces = *system_[1];
  for (const auto& row : jet_blank_catalog_rows(options_.created)) append_to(objects, row);
  for (const auto& row : jet_blank_ace_rows()) append_to(aces, row);
  for (auto& t : tables_) {
    if (t->deleted) continue;
    append_to(objects, jet_table_catalog_row(t->name, t->tdef_page, options_.created, table_properties(*t)));
    for (const auto& row : jet_table_ace_rows(t->tdef_page)) append_to(aces, row);
  }
  table_state& relations = *system_[3];
  for (std::size_t i = 0; i < relationships_.size(); ++i) {
    const auto& r = relationships_[i];
    const std::int32_t id = jet_relationship_id(i);
    append_to(objects, jet_relationship_catalog_row(r.rows.name, id, options_.created));
    for (const auto& row : jet_relationship_ace_rows(id)) append_to(aces, row);
    for (const auto& row : jet_relationship_rows(r.rows)) append_to(relations, row);
  }
  for (auto& t : system_) flush_page(*t);

  // Every row is in: the index trees follow, before the usage maps that list their pages.
  for (auto& t : system_) build_indexes(*t);
  for (auto& t : tables_)
    if (!t->deleted) build_indexes(*t);

  for (auto& t : system_) write_maps(*t, true);
  jet_data_page map_page(0);
  for (const auto& row : system_map_rows_) map_page.add(row.data(), row.size());
  write_page(jet_system_map_page, map_page.bytes());
  for (auto& t : tables_)
    if (!t->deleted) write_maps(*t, false);

  for (auto& t : system_) write_definition(*t);
  for (auto& t : tables_) {
    if (t->deleted) continue;
    sort_logical_indexes(*t);
    write_definition(*t);
  }

  // Pages never written belong to tables deleted before their pages filled: they join the
  // free pages, as zeros.
  std::vector<bool> used(written_.size());
  const std::vector<std::uint8_t> zeros(jet4_page_size, 0);
  for (std::uint32_t p = 0; p < written_.size(); ++p) {
    if (p == 1) {
      used[p] = true;
      continue;
    }
    if (!written_[p] || freed_[p]) {
      write_page(p, zeros);
      used[p] = false;
    } else {
      used[p] = true;
    }
  }
  jet_data_page global(1);
  auto map = jet_build_global_map(used);
  auto spare = jet_build_empty_map();
  global.add(map.data(), map.size());
  global.add(spare.data(), spare.size());
  write_page(1, global.bytes());

  open_ = false;
  if (!store_.close()) io_error(store_.error() ? store_.error() : EIO, temp_);
  // Into place without replacing a file that appeared under the target's name meanwhile.
  if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, target_.c_str(), RENAME_NOREPLACE) != 0) {
    int e = errno;
    if (e == EEXIST) throw jet_write_error(err_already_exists, "Database already exists.");
    if (e != EINVAL && e != ENOSYS) io_error(e, target_);
    // A file system without the no-replace rename: a hard link refuses an existing name too.
    if (::link(temp_.c_str(), target_.c_str()) != 0) {
      e = errno;
      if (e == EEXIST) throw jet_write_error(err_already_exists, "Database already exists.");
      io_error(e, target_);
    }
    ::unlink(temp_.c_str());
  }
  temp_.clear();
  // The new name itself must survive a crash, not only the file's bytes.
  std::string folder = std::filesystem::path(target_).has_parent_path()
                           ? std::filesystem::path(target_).parent_path().string()
                           : std::string(".");
  int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY);
  if (dir >= 0) {
    ::fsync(dir);
    ::close(dir);
  }
}

void file_writer::abandon() {
  if (open_) {
    store_.close();
    open_ = false;
  }
  if (!temp_.empty()) {
    ::unlink(temp_.c_str());
    temp_.clear();
  }
}

}  // namespace

std::unique_ptr<jet_writer> jet_writer::create(const std::string& path, const jet_header_options& options) {
  namespace fs = std::filesystem;
  std::error_code ec;
  if (fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec)
    throw jet_write_error(err_already_exists, "Database already exists.");
  fs::path target(path);
  fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
  if (!fs::is_directory(folder, ec)) throw jet_write_error(err_invalid_path, "'" + path + "' is not a valid path.");
  auto w = std::make_unique<file_writer>(path, options);
  w->start();
  return w;
}

}  // namespace jet
