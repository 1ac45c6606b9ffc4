// The row cursor: walks the data pages its table's usage map lists, splits each row into its
// columns with libmdb and joins long values from their pages. Every page is read checked.
#include "platform/jet/jet_cursor.h"

#include <cstring>
#include <unordered_set>

#include "platform/jet/jet_calculated.h"
#include "platform/jet/jet_diagnostics.h"
#include "platform/jet/jet_libmdb.h"
#include "platform/jet/jet_values.h"

namespace jet {

namespace {

constexpr int row_offset_mask = 0x1FFF;
constexpr int row_deleted = 0x8000;
constexpr int row_overflow = 0x4000;
// Long values longer than this are refused as corrupt; Access itself stops at 1 GB.
constexpr std::uint32_t max_long_value = 0x40000000;

}  // namespace

struct jet_cursor::state {
  const jet_file* file = nullptr;
  MdbHandle* mdb = nullptr;
  MdbCatalogEntry entry{};
  MdbTableDef* table = nullptr;
  std::vector<jet_column> columns;
  std::vector<MdbField> fields;       // an overflow row, cracked where it really is
  std::vector<MdbField> page_fields;  // every row of the current page, cracked at page load
  std::vector<std::uint32_t> slots;   // per row slot: slot_skip, slot_cracked or an overflow pointer
  std::size_t ncols = 0;
  const MdbField* cur = nullptr;  // the current row's fields
  std::uint32_t row_count = 0;
  std::uint32_t table_page = 0;
  std::vector<std::uint32_t> pages;  // the table's data pages, from its usage map
  std::size_t next_page = 0;         // the next of `pages` to read
  std::uint32_t rows_walked = 0;     // rows next() has answered since the last rewind
  int page_rows = 0;                 // rows on the current data page
  int next_row = 0;                  // the next row slot to look at on the current page
  bool on_row = false;
  bool damaged = false;
  std::wstring damage;     // the first failure, in words
  bool displaced = false;  // pg_buf holds an overflow page rather than the current data page
  std::uint32_t data_page = 0;
  std::uint32_t position = 0;  // of the current row: data page << 8 | row slot

  ~state() {
    jet_stderr_guard quiet;
    if (table) mdb_free_tabledef(table);
    if (mdb) mdb_close(mdb);
  }

  bool read_page(std::uint32_t pg) { return file->impl().read_page(mdb, pg); }

  // The long-value page read last, whole, and its number (0: none; page 0 is the header).
  // Consecutive long values mostly share a page: each was read again, with a seek, per value.
  std::vector<std::uint8_t> lval_page;
  std::uint32_t lval_pg = 0;

  // The bytes of row (pg_row & 0xFF) of long-value page (pg_row >> 8), bounded the way libmdb
  // bounds a row: from its offset to the offset of the row before it, or the page's end.
  bool find_lval_row(std::uint32_t pg_row, const std::uint8_t*& p, std::size_t& len) {
    const std::uint32_t pg = pg_row >> 8;
    const std::size_t row = pg_row & 0xFF;
    const std::size_t pg_size = static_cast<std::size_t>(mdb->fmt->pg_size);
    if (pg != lval_pg) {
      lval_pg = 0;
      if (!file->impl().read_alt_page(mdb, pg)) return false;
      lval_page.assign(mdb->alt_pg_buf, mdb->alt_pg_buf + pg_size);
      lval_pg = pg;
    }
    const std::size_t offsets = static_cast<std::size_t>(mdb->fmt->row_count_offset) + 2;
    if (offsets + row * 2 + 2 > pg_size) return false;
    const std::size_t start = jet_u16(lval_page.data() + offsets + row * 2) & row_offset_mask;
    const std::size_t next = row == 0 ? pg_size : jet_u16(lval_page.data() + offsets + row * 2 - 2) & row_offset_mask;
    if (start >= pg_size || start > next || next > pg_size) return false;
    p = lval_page.data() + start;
    len = next - start;
    return true;
  }

  // Marks the table damaged; the first failure is the one worth telling.
  void fail(std::wstring what) {
    damaged = true;
    if (damage.empty()) damage = std::move(what);
  }
  static std::wstring cut_long_value() { return L"a long value (Memo or OLE Object) is cut short"; }
  static std::wstring past_end(std::uint32_t pg) {
    return L"page " + std::to_wstring(pg) + L" lies past the end of the file";
  }

  void reload_data_page() {
    if (!displaced) return;
    displaced = false;
    if (read_page(data_page)) return;
    // The rows still to come point into the page buffer: without their page they are lost.
    fail(past_end(data_page));
    next_row = page_rows;
  }

  // The pages the usage map marks as the table's. A map that points past the end of the file or
  // at a page that is not a map marks the table damaged: its rows cannot all be found.
  bool list_pages() {
    pages.clear();
    const std::uint8_t* map = table->usage_map;
    const std::size_t size = table->map_sz;
    if (map == nullptr || size == 0) return false;
    auto add = [&](std::uint32_t pg) {
      if (pg < file->impl().page_count)
        pages.push_back(pg);
      else
        fail(past_end(pg));
    };
    if (map[0] == 0) {
      // Inline: a first page number, then one bit per page from there.
      if (size < 5) return false;
      const std::uint32_t first = jet_u32(map + 1);
      for (std::size_t i = 0; i < (size - 5) * 8; ++i)
        if (map[5 + i / 8] & (1u << (i % 8))) add(first + static_cast<std::uint32_t>(i));
      return true;
    }
    if (map[0] != 1) return false;
    // By reference: page numbers of map pages, each holding the bits of its stretch of pages.
    const std::size_t bits = (static_cast<std::size_t>(mdb->fmt->pg_size) - 4) * 8;
    std::vector<std::uint8_t> bitmap;
    for (std::size_t k = 0; k < (size - 1) / 4; ++k) {
      const std::uint32_t map_page = jet_u32(map + 1 + k * 4);
      if (map_page == 0) continue;
      if (!read_page(map_page)) {
        fail(past_end(map_page));
        continue;
      }
      if (mdb->pg_buf[0] != MDB_PAGE_MAP) {
        fail(L"page " + std::to_wstring(map_page) + L" is not a page of the table's usage map");
        continue;
      }
      bitmap.assign(mdb->pg_buf + 4, mdb->pg_buf + mdb->fmt->pg_size);
      for (std::size_t i = 0; i < bits; ++i)
        if (bitmap[i / 8] & (1u << (i % 8))) add(static_cast<std::uint32_t>(k * bits + i));
    }
    return true;
  }

  // Reads a row stored at (page, row) of another page into pg_buf; its bounds in `start`/`len`.
  bool load_pg_row(std::uint32_t pg_row, int& start, std::size_t& len) {
    jet_stderr_guard quiet;
    std::uint32_t pg = pg_row >> 8;
    int row = static_cast<int>(pg_row & 0xFF);
    displaced = true;
    if (pg == 0 || !read_page(pg)) return false;
    if (mdb->pg_buf[0] != MDB_PAGE_DATA) return false;
    int rows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
    if (row >= rows) return false;
    if (mdb_find_row(mdb, row, &start, &len) != 0) return false;
    return true;
  }

  bool crack(int start, std::size_t len, MdbField* into) {
    start &= row_offset_mask;
    if (len == 0 || start + len > static_cast<std::size_t>(mdb->fmt->pg_size)) return false;
    int n = mdb_crack_row(table, start, len, into);
    return n > 0;
  }

  std::wstring bad_row() const {
    return L"a row on page " + std::to_wstring(data_page) + L" cannot be split into its columns";
  }

  // The next data page of the table, read whole; false at the end of the usage map. A listed
  // page that cannot be read or is not one of this table's data pages holds rows that are lost.
  bool next_data_page() {
    while (next_page < pages.size()) {
      const std::uint32_t pg = pages[next_page++];
      if (!read_page(pg)) {
        fail(past_end(pg));
        continue;
      }
      if (mdb->pg_buf[0] == MDB_PAGE_DATA && jet_u32(mdb->pg_buf + 4) == table_page) {
        table->cur_phys_pg = pg;
        data_page = pg;
        return true;
      }
      fail(L"page " + std::to_wstring(pg) + L" is not a data page of the table");
    }
    return false;
  }

  // Reads the next data page and splits all its rows at once, so the guard that keeps
  // libmdb's warnings off the screen costs its system calls once per page, not per row.
  bool load_page() {
    jet_stderr_guard quiet;
    displaced = false;
    if (!next_data_page()) return false;
    page_rows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
    int max_rows = static_cast<int>(mdb->fmt->pg_size) / 2;
    if (page_rows < 0 || page_rows > max_rows) {
      page_rows = 0;
      fail(bad_row());
    }
    next_row = 0;
    slots.assign(static_cast<std::size_t>(page_rows), slot_skip);
    page_fields.resize(static_cast<std::size_t>(page_rows) * ncols + MDB_MAX_COLS);
    for (int row = 0; row < page_rows; ++row) {
      int start = 0;
      std::size_t len = 0;
      // A deleted row may be left with offsets that no longer bound a row: skip it first.
      if (mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset + 2 + row * 2) & row_deleted) continue;
      if (mdb_find_row(mdb, row, &start, &len) != 0) {
        fail(bad_row());
        continue;
      }
      if (start & row_overflow) {
        // The slot holds a pointer to where the row really is.
        int off = start & row_offset_mask;
        if (len < 4 || off + 4 > static_cast<int>(mdb->fmt->pg_size)) {
          fail(bad_row());
          continue;
        }
        std::uint32_t pg_row = jet_u32(mdb->pg_buf + off);
        if (pg_row > slot_cracked)
          slots[static_cast<std::size_t>(row)] = pg_row;
        else
          fail(bad_row());
        continue;
      }
      if (crack(start, len, page_fields.data() + static_cast<std::size_t>(row) * ncols))
        slots[static_cast<std::size_t>(row)] = slot_cracked;
      else
        fail(bad_row());
    }
    return true;
  }

  void open(const jet_file& file, std::uint32_t table_page);

  static constexpr std::uint32_t slot_skip = 0;
  static constexpr std::uint32_t slot_cracked = 1;
};

// Reads the table's definition and the list of its pages; on failure the table stays null and
// `damage` says why.
void jet_cursor::state::open(const jet_file& file, std::uint32_t table_page) {
  jet_stderr_guard quiet;
  state& s = *this;
  s.file = &file;
  const std::wstring no_definition = L"its definition cannot be read";
  const std::wstring no_map = L"the usage map of its pages cannot be read";
  auto invalid = [&s](const std::wstring& why) {
    if (s.table) mdb_free_tabledef(s.table);
    s.table = nullptr;
    s.damage = why;
  };
  s.mdb = file.impl().clone();
  if (!s.mdb) return invalid(no_definition);
  s.entry.mdb = s.mdb;
  s.entry.object_type = MDB_TABLE;
  s.entry.table_pg = table_page;
  std::strcpy(s.entry.object_name, "table");
  s.table_page = table_page;
  jet_table_def def;
  if (!file.read_table(table_page, def) || !s.read_page(table_page)) return invalid(no_definition);
  // libmdb reads the usage maps without checking that their pages are whole.
  const MdbFormatConstants& fmt = *s.mdb->fmt;
  for (int offset : {fmt.tab_usage_map_offset, fmt.tab_free_map_offset}) {
    const std::uint32_t pg_row = jet_u32(s.mdb->pg_buf + offset);
    if ((pg_row >> 8) >= file.impl().page_count) return invalid(s.past_end(pg_row >> 8));
  }
  s.table = mdb_read_table(&s.entry);
  // Without its usage map the table's pages cannot be found.
  if (!s.table || !s.table->usage_map || s.table->map_sz == 0) return invalid(no_map);
  if (!mdb_read_columns(s.table) || s.table->num_cols != def.columns.size()) return invalid(no_definition);
  if (!s.list_pages()) return invalid(no_map);
  s.columns = std::move(def.columns);
  s.row_count = def.row_count;
  s.fields.resize(MDB_MAX_COLS + 1);
  s.ncols = s.table->num_cols;
}

jet_cursor::jet_cursor(const jet_file& file, std::uint32_t table_page) : s_(new state) { s_->open(file, table_page); }

jet_cursor::jet_cursor(const jet_file& file, const jet_object& table) : s_(new state) {
  s_->open(file, table.page());
  if (s_->table) jet_apply_calculations(file, table.properties, s_->columns);
}

jet_cursor::~jet_cursor() = default;

bool jet_cursor::valid() const { return s_->table != nullptr; }
bool jet_cursor::damaged() const { return s_->damaged; }
const std::wstring& jet_cursor::damage() const { return s_->damage; }
const std::vector<jet_column>& jet_cursor::columns() const { return s_->columns; }
std::uint32_t jet_cursor::row_count() const { return s_->row_count; }

void jet_cursor::rewind() {
  if (!s_->table) return;
  jet_stderr_guard quiet;
  s_->displaced = false;
  s_->next_page = 0;
  s_->rows_walked = 0;
  s_->page_rows = 0;
  s_->next_row = 0;
  s_->on_row = false;
}

bool jet_cursor::next() {
  state& s = *s_;
  s.on_row = false;
  if (!s.table) return false;
  s.reload_data_page();
  // Every slot of every page is looked at once; a corrupt file cannot make this loop forever
  // because each page of the usage map is read once.
  for (;;) {
    if (s.next_row >= s.page_rows) {
      if (s.load_page()) continue;
      // The definition counts the table's rows: fewer found means rows were lost.
      if (s.rows_walked < s.row_count)
        s.fail(std::to_wstring(s.rows_walked) + L" of its " + std::to_wstring(s.row_count) + L" rows were found");
      return false;
    }
    std::size_t row = static_cast<std::size_t>(s.next_row++);
    std::uint32_t slot = s.slots[row];
    if (slot == state::slot_skip) continue;
    s.position = s.data_page << 8 | static_cast<std::uint32_t>(row);
    if (slot == state::slot_cracked) {
      s.cur = s.page_fields.data() + row * s.ncols;
      s.on_row = true;
      ++s.rows_walked;
      return true;
    }
    jet_stderr_guard quiet;
    int ostart = 0;
    std::size_t olen = 0;
    if (!s.load_pg_row(slot, ostart, olen) || !s.crack(ostart, olen, s.fields.data())) {
      s.fail(L"a row moved to page " + std::to_wstring(slot >> 8) + L" cannot be read");
      s.reload_data_page();
      continue;
    }
    s.cur = s.fields.data();
    s.on_row = true;
    ++s.rows_walked;
    return true;
  }
}

std::uint64_t jet_cursor::position() const { return s_->position; }

bool jet_cursor::seek(std::uint64_t position) {
  state& s = *s_;
  s.on_row = false;
  if (!s.table || position > 0xFFFFFFFFu) return false;
  jet_stderr_guard quiet;
  int start = 0;
  std::size_t len = 0;
  if (!s.load_pg_row(static_cast<std::uint32_t>(position), start, len) || (start & row_deleted)) return false;
  if (start & row_overflow) {
    // The slot points to where the row really is.
    int off = start & row_offset_mask;
    if (len < 4 || off + 4 > static_cast<int>(s.mdb->fmt->pg_size)) return false;
    if (!s.load_pg_row(jet_u32(s.mdb->pg_buf + off), start, len)) return false;
  }
  if (!s.crack(start, len, s.fields.data())) return false;
  s.cur = s.fields.data();
  s.position = static_cast<std::uint32_t>(position);
  s.on_row = true;
  return true;
}

bool jet_cursor::is_null(std::size_t column) const {
  const state& s = *s_;
  if (!s.on_row || column >= s.columns.size()) return true;
  const MdbField& f = s.cur[column];
  // The null mask bit of a Yes/No column is its value; the column itself is never Null. A
  // calculated Yes/No keeps its value in the row, and the bit means what it means elsewhere.
  if (s.columns[column].type == jet_bool && !s.columns[column].calculated) return false;
  return f.is_null != 0;
}

jet_bytes jet_cursor::bytes(std::size_t column) const {
  state& s = *s_;
  jet_bytes out;
  if (is_null(column)) return out;
  const MdbField& f = s.cur[column];
  if (f.siz <= 0 || f.value == nullptr) return out;
  const auto* data = static_cast<const std::uint8_t*>(f.value);
  int type = s.columns[column].type;
  if (type != jet_memo && type != jet_ole) return jet_bytes(data, data + f.siz);
  std::uint32_t head = f.siz < MDB_MEMO_OVERHEAD ? 0 : jet_u32(data);
  std::uint32_t total = head & 0x3FFFFFFF;
  if (f.siz < MDB_MEMO_OVERHEAD || total > max_long_value) {
    s.fail(state::cut_long_value());
    return out;
  }
  if (head & 0x80000000u) {
    // Kept in the row itself.
    std::size_t have = static_cast<std::size_t>(f.siz) - MDB_MEMO_OVERHEAD;
    if (have < total) s.fail(state::cut_long_value());
    std::size_t n = total < have ? total : have;
    return jet_bytes(data + MDB_MEMO_OVERHEAD, data + MDB_MEMO_OVERHEAD + n);
  }
  std::uint32_t pg_row = jet_u32(data + 4);
  // The announced length of a damaged value may be anything: grow with what is really read.
  out.reserve(total < (1u << 20) ? total : (1u << 20));
  // The cursor's own page stays in pg_buf: long-value pages are read into the second buffer.
  bool single = (head & 0x40000000u) != 0;
  std::unordered_set<std::uint32_t> seen;
  while (pg_row != 0 && out.size() < total) {
    if (!seen.insert(pg_row).second) break;  // a loop in a corrupt chain
    // libmdb would read a page cut short as zeros.
    if ((pg_row >> 8) >= s.file->impl().page_count) break;
    const std::uint8_t* p = nullptr;
    std::size_t len = 0;
    if (!s.find_lval_row(pg_row, p, len)) break;
    if (single) {
      std::size_t n = total - out.size();
      if (n > len) n = len;
      out.insert(out.end(), p, p + n);
      break;
    }
    if (len < 4) break;
    pg_row = jet_u32(p);
    std::size_t n = len - 4;
    if (n > total - out.size()) n = total - out.size();
    out.insert(out.end(), p + 4, p + 4 + n);
  }
  // A value cut short by a chain that breaks off is not the stored value.
  if (out.size() < total) s.fail(state::cut_long_value());
  return out;
}

jet_value jet_cursor::value(std::size_t column) const {
  const state& s = *s_;
  if (!s.on_row || column >= s.columns.size()) return jet_null{};
  const jet_column& col = s.columns[column];
  if (col.type == jet_bool && !col.calculated) return s.cur[column].is_null == 0;
  if (is_null(column)) return jet_null{};
  if (col.type == jet_memo || col.type == jet_ole) {
    jet_bytes b = bytes(column);
    return jet_decode_value(*s.file, col, b.data(), b.size());
  }
  const MdbField& f = s.cur[column];
  int size = f.siz < 0 ? 0 : f.siz;
  const auto* data = static_cast<const std::uint8_t*>(f.value);
  return jet_decode_value(*s.file, col, data, static_cast<std::size_t>(size));
}

}  // namespace jet
