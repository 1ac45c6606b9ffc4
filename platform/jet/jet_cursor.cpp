// The row cursor: walks the data pages of one table with libmdb, splits each row into its
// columns and joins long values from their pages.
#include "platform/jet/jet_cursor.h"

#include <cstring>
#include <unordered_set>

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
  const MdbField* cur = nullptr;      // the current row's fields
  std::uint32_t row_count = 0;
  int page_rows = 0;   // rows on the current data page
  int next_row = 0;    // the next row slot to look at on the current page
  bool on_row = false;
  bool damaged = false;
  bool displaced = false;  // pg_buf holds an overflow page rather than the current data page
  std::uint32_t data_page = 0;
  std::uint32_t position = 0;  // of the current row: data page << 8 | row slot

  ~state() {
    jet_stderr_guard quiet;
    if (table) mdb_free_tabledef(table);
    if (mdb) mdb_close(mdb);
  }

  void reload_data_page() {
    if (displaced) {
      jet_stderr_guard quiet;
      mdb_read_pg(mdb, data_page);
      displaced = false;
    }
  }

  // Reads a row stored at (page, row) of another page into pg_buf; its bounds in `start`/`len`.
  bool load_pg_row(std::uint32_t pg_row, int& start, std::size_t& len) {
    jet_stderr_guard quiet;
    std::uint32_t pg = pg_row >> 8;
    int row = static_cast<int>(pg_row & 0xFF);
    if (pg == 0 || mdb_read_pg(mdb, pg) != mdb->fmt->pg_size) return false;
    displaced = true;
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

  // Reads the next data page and splits all its rows at once, so the guard that keeps
  // libmdb's warnings off the screen costs its system calls once per page, not per row.
  bool load_page() {
    jet_stderr_guard quiet;
    if (mdb_read_next_dpg(table) <= 0) return false;
    data_page = table->cur_phys_pg;
    page_rows = mdb_get_int16(mdb->pg_buf, mdb->fmt->row_count_offset);
    int max_rows = static_cast<int>(mdb->fmt->pg_size) / 2;
    if (page_rows < 0 || page_rows > max_rows) page_rows = 0;
    next_row = 0;
    slots.assign(static_cast<std::size_t>(page_rows), slot_skip);
    page_fields.resize(static_cast<std::size_t>(page_rows) * ncols + MDB_MAX_COLS);
    for (int row = 0; row < page_rows; ++row) {
      int start = 0;
      std::size_t len = 0;
      if (mdb_find_row(mdb, row, &start, &len) != 0) continue;
      if (start & row_deleted) continue;
      if (start & row_overflow) {
        // The slot holds a pointer to where the row really is.
        int off = start & row_offset_mask;
        if (len < 4 || off + 4 > static_cast<int>(mdb->fmt->pg_size)) continue;
        std::uint32_t pg_row = jet_u32(mdb->pg_buf + off);
        if (pg_row > slot_cracked) slots[static_cast<std::size_t>(row)] = pg_row;
        else damaged = true;
        continue;
      }
      if (crack(start, len, page_fields.data() + static_cast<std::size_t>(row) * ncols))
        slots[static_cast<std::size_t>(row)] = slot_cracked;
      else
        damaged = true;
    }
    return true;
  }

  static constexpr std::uint32_t slot_skip = 0;
  static constexpr std::uint32_t slot_cracked = 1;
};

jet_cursor::jet_cursor(const jet_file& file, std::uint32_t table_page) : s_(new state) {
  jet_stderr_guard quiet;
  s_->file = &file;
  s_->mdb = file.impl().clone();
  if (!s_->mdb) return;
  s_->entry.mdb = s_->mdb;
  s_->entry.object_type = MDB_TABLE;
  s_->entry.table_pg = table_page;
  std::strcpy(s_->entry.object_name, "table");
  jet_table_def def;
  if (!file.read_table(table_page, def)) return;
  s_->table = mdb_read_table(&s_->entry);
  if (!s_->table) return;
  // Without its usage map libmdb cannot find the table's pages (and would follow a null map).
  if (!s_->table->usage_map || s_->table->map_sz == 0 || !mdb_read_columns(s_->table) ||
      s_->table->num_cols != def.columns.size()) {
    mdb_free_tabledef(s_->table);
    s_->table = nullptr;
    return;
  }
  s_->columns = std::move(def.columns);
  s_->row_count = def.row_count;
  s_->fields.resize(MDB_MAX_COLS + 1);
  s_->ncols = s_->table->num_cols;
  mdb_rewind_table(s_->table);
}

jet_cursor::~jet_cursor() = default;

bool jet_cursor::valid() const { return s_->table != nullptr; }
bool jet_cursor::damaged() const { return s_->damaged; }
const std::vector<jet_column>& jet_cursor::columns() const { return s_->columns; }
std::uint32_t jet_cursor::row_count() const { return s_->row_count; }

void jet_cursor::rewind() {
  if (!s_->table) return;
  jet_stderr_guard quiet;
  s_->displaced = false;
  mdb_rewind_table(s_->table);
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
  // because libmdb walks the usage map's pages in increasing order.
  for (;;) {
    if (s.next_row >= s.page_rows) {
      if (!s.load_page()) return false;
      continue;
    }
    std::size_t row = static_cast<std::size_t>(s.next_row++);
    std::uint32_t slot = s.slots[row];
    if (slot == state::slot_skip) continue;
    s.position = s.data_page << 8 | static_cast<std::uint32_t>(row);
    if (slot == state::slot_cracked) {
      s.cur = s.page_fields.data() + row * s.ncols;
      s.on_row = true;
      return true;
    }
    jet_stderr_guard quiet;
    int ostart = 0;
    std::size_t olen = 0;
    if (!s.load_pg_row(slot, ostart, olen) || !s.crack(ostart, olen, s.fields.data())) {
      s.damaged = true;
      s.reload_data_page();
      continue;
    }
    s.cur = s.fields.data();
    s.on_row = true;
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
  if (f.siz < MDB_MEMO_OVERHEAD) return out;

  std::uint32_t head = jet_u32(data);
  std::uint32_t total = head & 0x3FFFFFFF;
  if (total > max_long_value) return out;
  if (head & 0x80000000u) {
    // Kept in the row itself.
    std::size_t have = static_cast<std::size_t>(f.siz) - MDB_MEMO_OVERHEAD;
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
    void* buf = nullptr;
    int start = 0;
    std::size_t len = 0;
    int found;
    {
      jet_stderr_guard quiet;
      found = mdb_find_pg_row(s.mdb, static_cast<int>(pg_row), &buf, &start, &len);
    }
    if (found != 0) break;
    start &= row_offset_mask;
    if (start + len > static_cast<std::size_t>(s.mdb->fmt->pg_size)) break;
    const auto* p = static_cast<const std::uint8_t*>(buf) + start;
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
