// The test-only index walker: reads index pages as the format lays them out (entry-end bitmask,
// shared prefix, row pointers, child pointers and tails) and checks each rule a reader relies on.
#include "tests/jet/jet_index_walker.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <stdexcept>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_cursor.h"
#include "platform/jet/jet_layout.h"
#include "platform/jet/jet_values.h"
#include "platform/jet/write/jet_index_key.h"
#include "platform/jet/write/jet_index_page.h"
#include "platform/jet/write/jet_write_error.h"
#include "tests/support/test_env.h"

namespace jet_test {

using namespace jet;

namespace {

using bytes = std::vector<std::uint8_t>;

std::string hex(const bytes& b) {
  std::string s;
  char buf[4];
  for (std::uint8_t c : b) {
    std::snprintf(buf, sizeof buf, "%02X ", c);
    s += buf;
  }
  if (!s.empty()) s.pop_back();
  return s;
}

int compare(const bytes& a, const bytes& b) {
  std::size_t n = std::min(a.size(), b.size());
  int c = n ? std::memcmp(a.data(), b.data(), n) : 0;
  if (c != 0) return c;
  return a.size() < b.size() ? -1 : a.size() > b.size() ? 1 : 0;
}

std::uint32_t be_u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | static_cast<std::uint32_t>(p[1]) << 16 |
         static_cast<std::uint32_t>(p[2]) << 8 | p[3];
}

class walker {
 public:
  walker(const page_source& pages, std::uint32_t root, std::uint32_t tdef, index_walk& out)
      : pages_(pages), root_(root), tdef_(tdef), out_(out) {}

  void run() {
    bytes last;
    visit(root_, 0, last);
    out_.levels = leaf_depth_ + 1;
    // Each level, read left to right, must be one doubly linked chain.
    for (std::size_t d = 0; d < by_depth_.size(); ++d) {
      const auto& level = by_depth_[d];
      for (std::size_t k = 0; k < level.size(); ++k) {
        std::uint32_t want_prev = k > 0 ? level[k - 1].number : 0;
        std::uint32_t want_next = k + 1 < level.size() ? level[k + 1].number : 0;
        if (level[k].prev != want_prev)
          fault("page " + std::to_string(level[k].number) + ": previous page " + std::to_string(level[k].prev) +
                ", expected " + std::to_string(want_prev));
        if (level[k].next != want_next)
          fault("page " + std::to_string(level[k].number) + ": next page " + std::to_string(level[k].next) +
                ", expected " + std::to_string(want_next));
      }
    }
    // Leaf entries in strictly increasing order, row pointer included.
    bytes prev;
    for (std::size_t i = 0; i < full_.size(); ++i) {
      if (i > 0 && compare(full_[i - 1], full_[i]) >= 0) {
        fault("leaf entry " + std::to_string(i) + " (" + hex(full_[i]) + ") does not sort after " + hex(full_[i - 1]));
        break;
      }
    }
  }

 private:
  struct page_link {
    std::uint32_t number, prev, next;
  };

  void fault(const std::string& what) { out_.faults.push_back(what); }

  // Reads page `pn` at `depth`; `last` gets the last leaf entry under it (empty when none).
  void visit(std::uint32_t pn, int depth, bytes& last) {
    last.clear();
    const std::string where = "page " + std::to_string(pn);
    if (depth > 16) return fault(where + ": the tree is deeper than any index");
    if (!seen_.insert(pn).second) return fault(where + ": reached twice");
    const std::uint8_t* p = pages_(pn);
    if (p == nullptr) return fault(where + ": not in the file");
    ++out_.pages;
    const std::uint8_t type = p[0];
    if (type != jet_index_leaf_page && type != jet_index_node_page)
      return fault(where + ": type " + std::to_string(type) + ", not an index page");
    const bool leaf = type == jet_index_leaf_page;
    if (jet_u32(p + jet_index_tdef_at) != tdef_)
      fault(where + ": names table page " + std::to_string(jet_u32(p + jet_index_tdef_at)));
    if (static_cast<std::size_t>(depth) >= by_depth_.size()) by_depth_.resize(depth + 1);
    by_depth_[depth].push_back({pn, jet_u32(p + jet_index_prev_at), jet_u32(p + jet_index_next_at)});

    // Entries: the bitmask marks where each ends; later ones omit the shared prefix.
    const std::size_t prefix = jet_u16(p + jet_index_prefix_at);
    std::vector<bytes> entries;
    std::size_t start = 0;
    const std::uint8_t* area = p + jet_index_entries_at;
    for (std::size_t bit = 0; bit < jet_index_mask_size * 8; ++bit) {
      if (!(p[jet_index_mask_at + bit / 8] >> (bit % 8) & 1)) continue;
      if (bit > jet_index_entry_space) {
        fault(where + ": an entry ends past the entry area");
        break;
      }
      bytes e;
      if (!entries.empty()) {
        if (prefix > entries.front().size()) return fault(where + ": prefix longer than the first entry");
        e.assign(entries.front().begin(), entries.front().begin() + static_cast<std::ptrdiff_t>(prefix));
      }
      e.insert(e.end(), area + start, area + bit);
      entries.push_back(std::move(e));
      start = bit;
    }
    const std::size_t free_space = jet_u16(p + jet_index_free_space_at);
    if (free_space != jet_index_entry_space - start)
      fault(where + ": free space " + std::to_string(free_space) + " but entries use " + std::to_string(start) +
            " of " + std::to_string(jet_index_entry_space) + " bytes");

    const std::size_t tail_size = leaf ? jet_index_row_pointer_size : jet_index_row_pointer_size + jet_index_child_size;
    for (std::size_t i = 0; i < entries.size(); ++i) {
      if (entries[i].size() <= tail_size)
        return fault(where + ": entry " + std::to_string(i) + " of " + std::to_string(entries[i].size()) +
                     " bytes is too short");
      if (i > 0) {
        bytes a(entries[i - 1].begin(), entries[i - 1].end() - (leaf ? 0 : jet_index_child_size));
        bytes b(entries[i].begin(), entries[i].end() - (leaf ? 0 : jet_index_child_size));
        if (compare(a, b) >= 0) fault(where + ": entry " + std::to_string(i) + " out of order");
      }
    }

    const std::uint32_t tail = jet_u32(p + jet_index_tail_at);
    if (leaf) {
      if (tail != 0) fault(where + ": a leaf with a child tail");
      if (leaf_depth_ < 0)
        leaf_depth_ = depth;
      else if (leaf_depth_ != depth)
        fault(where + ": a leaf at another depth than the others");
      if (entries.empty() && !(pn == root_ && depth == 0)) fault(where + ": an empty leaf below the root");
      for (auto& e : entries) {
        leaf_entry le;
        const std::uint8_t* ptr = e.data() + e.size() - jet_index_row_pointer_size;
        le.data_page = static_cast<std::uint32_t>(ptr[0]) << 16 | static_cast<std::uint32_t>(ptr[1]) << 8 | ptr[2];
        le.row = ptr[3];
        le.key.assign(e.begin(), e.end() - jet_index_row_pointer_size);
        out_.entries.push_back(std::move(le));
        full_.push_back(e);
      }
      if (!entries.empty()) last = entries.back();
      return;
    }

    // A node: each entry names a child and equals the last leaf entry below it; the last
    // child is the tail, without an entry.
    if (tail == 0) fault(where + ": a node without a child tail");
    for (std::size_t i = 0; i < entries.size(); ++i) {
      const bytes& e = entries[i];
      std::uint32_t child = be_u32(e.data() + e.size() - jet_index_child_size);
      bytes below;
      visit(child, depth + 1, below);
      bytes own(e.begin(), e.end() - jet_index_child_size);
      if (below != own)
        fault(where + ": entry " + std::to_string(i) + " (" + hex(own) + ") is not the last entry of page " +
              std::to_string(child) + " (" + hex(below) + ")");
    }
    if (tail != 0) visit(tail, depth + 1, last);
  }

  const page_source& pages_;
  std::uint32_t root_, tdef_;
  index_walk& out_;
  std::set<std::uint32_t> seen_;
  std::vector<std::vector<page_link>> by_depth_;
  std::vector<bytes> full_;
  int leaf_depth_ = -1;
};

}  // namespace

index_walk walk_index(const page_source& pages, std::uint32_t root, std::uint32_t tdef_page) {
  index_walk out;
  walker(pages, root, tdef_page, out).run();
  return out;
}

bool read_real_indexes(const jet_file& file, std::uint32_t tdef_page, std::vector<real_index_def>& out) {
  // Jet 4 table definition offsets (the same in ACE files).
  constexpr std::size_t num_cols_at = 45, num_real_at = 51, real_start = 63, real_head = 12, col_entry = 25,
                        real_def = 52;
  out.clear();
  bytes b;
  jet_table_def def;
  if (!file.read_definition(tdef_page, b) || !file.read_table(tdef_page, def) || b.size() < real_start) return false;
  const std::size_t num_cols = jet_u16(b.data() + num_cols_at);
  const std::size_t num_real = jet_u32(b.data() + num_real_at);
  auto has = [&](std::size_t at, std::size_t n) { return at <= b.size() && n <= b.size() - at; };
  std::size_t pos = real_start;
  if (!has(pos, num_real * real_head + num_cols * col_entry)) return false;
  std::vector<std::uint32_t> unique_counts;
  for (std::size_t i = 0; i < num_real; ++i, pos += real_head) unique_counts.push_back(jet_u32(b.data() + pos + 4));
  struct stored_column {
    int type, col_num;
    bool general_legacy;
    std::wstring name;
  };
  std::vector<stored_column> cols;
  for (std::size_t i = 0; i < num_cols; ++i, pos += col_entry) {
    const std::uint8_t* c = b.data() + pos;
    bool text = c[0] == jet_text || c[0] == jet_memo;
    cols.push_back({c[0], jet_u16(c + 5), !text || (jet_u16(c + 11) == 1033 && c[14] == 0), L""});
  }
  for (auto& c : cols) {
    if (!has(pos, 2)) return false;
    std::size_t len = jet_u16(b.data() + pos);
    if (!has(pos + 2, len)) return false;
    c.name = file.decode_text(b.data() + pos + 2, len);
    pos += 2 + len;
  }
  if (!has(pos, num_real * real_def)) return false;
  for (std::size_t i = 0; i < num_real; ++i, pos += real_def) {
    const std::uint8_t* r = b.data() + pos;
    real_index_def d;
    d.number = static_cast<int>(i);
    d.root = jet_u32(r + 38);
    d.flags = r[46];
    d.unique_key_count = unique_counts[i];
    for (std::size_t k = 0; k < 10; ++k) {
      std::uint16_t num = jet_u16(r + 4 + 3 * k);
      if (num == 0xFFFF) continue;
      real_index_def::key_column kc;
      kc.ascending = r[6 + 3 * k] == 0x01;
      for (const auto& c : cols) {
        if (c.col_num != num) continue;
        kc.type = c.type;
        kc.general_legacy = c.general_legacy;
        kc.position = jet_find_column(def.columns, c.name);
      }
      d.columns.push_back(kc);
    }
    out.push_back(std::move(d));
  }
  return true;
}

file_pages::file_pages(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + path);
  bytes page(jet4_page_size);
  while (in.read(reinterpret_cast<char*>(page.data()), static_cast<std::streamsize>(page.size())))
    pages_.push_back(page);
}

page_source file_pages::source() const {
  return [this](std::uint32_t n) -> const std::uint8_t* { return n < pages_.size() ? pages_[n].data() : nullptr; };
}

void file_pages::save(const std::string& path) const {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  for (const auto& p : pages_)
    out.write(reinterpret_cast<const char*>(p.data()), static_cast<std::streamsize>(p.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

std::vector<index_report> check_file_indexes(const std::string& path, bool check_key_counts) {
  std::vector<index_report> reports;
  std::unique_ptr<jet_file> file;
  if (jet_file::open(path, L"", file) != jet_status::ok) throw std::runtime_error("cannot open " + path);
  jet_catalog catalog;
  if (!jet_read_catalog(*file, catalog)) throw std::runtime_error("cannot read the catalog of " + path);
  file_pages pages(path);
  const page_source source = pages.source();

  for (const jet_object& table : catalog.tables) {
    if (table.type != jet_obj_table) continue;
    const std::uint32_t tdef = table.page();
    std::vector<real_index_def> defs;
    if (!read_real_indexes(*file, tdef, defs)) {
      reports.push_back({table.name, -1, 0, 0, 0, {"the table definition cannot be read"}});
      continue;
    }
    for (const real_index_def& d : defs) {
      index_report rep{table.name, d.number, 0, 0, 0, {}};
      index_walk walk = walk_index(source, d.root, tdef);
      rep.faults = walk.faults;
      rep.entries = walk.entries.size();
      std::map<std::uint32_t, const leaf_entry*> by_row;
      for (const auto& e : walk.entries)
        if (!by_row.emplace(e.data_page << 8 | e.row, &e).second)
          rep.faults.push_back("row " + std::to_string(e.data_page) + ":" + std::to_string(e.row) + " indexed twice");

      bool encodable = true;
      std::vector<jet_key_column> key_columns;
      for (const auto& c : d.columns) {
        if (c.position < 0) {
          rep.faults.push_back("a key column is not among the table's columns");
          encodable = false;
        }
        encodable = encodable && c.general_legacy;
        key_columns.push_back({c.type, c.ascending});
      }
      std::set<std::uint32_t> rows_with_null, rows;
      std::size_t indexed = 0, mismatches = 0;
      jet_cursor cursor(*file, tdef);
      while (cursor.next()) {
        const auto pointer = static_cast<std::uint32_t>(cursor.position());
        rows.insert(pointer);
        std::vector<jet_value> values;
        bool any_null = false, all_null = true;
        for (const auto& c : d.columns) {
          if (c.position < 0) continue;
          bool null = cursor.is_null(static_cast<std::size_t>(c.position)) && c.type != jet_bool;
          any_null = any_null || null;
          all_null = all_null && null;
          values.push_back(null ? jet_value(jet_null{}) : cursor.value(static_cast<std::size_t>(c.position)));
        }
        if (any_null) rows_with_null.insert(pointer);
        if ((d.flags & 0x02) && all_null) continue;  // ignore nulls: such a row has no entry
        ++indexed;
        auto found = by_row.find(pointer);
        if (found == by_row.end()) {
          rep.faults.push_back("row " + std::to_string(pointer >> 8) + ":" + std::to_string(pointer & 0xFF) +
                               " has no entry");
          continue;
        }
        if (!encodable || values.size() != key_columns.size()) {
          ++rep.pointers_only;
          continue;
        }
        bytes key;
        try {
          key = jet_index_key(key_columns, values);
        } catch (const jet_write_error& e) {
          rep.faults.push_back(std::string("the key of a row cannot be made: ") + e.what());
          continue;
        }
        if (key != found->second->key) {
          if (++mismatches <= 3)
            rep.faults.push_back("row " + std::to_string(pointer >> 8) + ":" + std::to_string(pointer & 0xFF) +
                                 ": entry " + hex(found->second->key) + ", its own key " + hex(key));
        } else {
          ++rep.keys_checked;
        }
      }
      for (const auto& [pointer, entry] : by_row)
        if (!rows.count(pointer))
          rep.faults.push_back("an entry names row " + std::to_string(pointer >> 8) + ":" +
                               std::to_string(pointer & 0xFF) + ", which the table does not hold");
      if (mismatches > 3) rep.faults.push_back(std::to_string(mismatches) + " keys differ in all");
      if (walk.entries.size() != indexed)
        rep.faults.push_back(std::to_string(walk.entries.size()) + " entries for " + std::to_string(indexed) +
                             " indexed rows");
      std::uint32_t distinct = 0;
      for (std::size_t i = 0; i < walk.entries.size(); ++i) {
        const leaf_entry& e = walk.entries[i];
        if (i > 0 && walk.entries[i - 1].key == e.key) {
          if ((d.flags & 0x01) && !rows_with_null.count(e.data_page << 8 | e.row))
            rep.faults.push_back("a unique index repeats the key " + hex(e.key));
        } else {
          ++distinct;
        }
      }
      if (check_key_counts && distinct != d.unique_key_count)
        rep.faults.push_back("the definition counts " + std::to_string(d.unique_key_count) +
                             " distinct keys, the index holds " + std::to_string(distinct));
      reports.push_back(std::move(rep));
    }
  }
  return reports;
}

std::vector<std::string> access_made_files() {
  std::vector<std::string> out;
  try {
    for (const auto& f : test_env::access_files()) {
      if (f.heavy || f.reference == "expected" || !f.password.empty() || f.path.rfind("access/encrypted/", 0) == 0)
        continue;
      // Byte 20 of the header: 0 is Jet 3, whose indexes the writer never makes. A file that
      // cannot be read stays in the list and fails its case with the reason.
      std::ifstream in(test_env::testdata_path(f.path), std::ios::binary);
      char head[21] = {};
      if (in.read(head, sizeof head) && head[20] == 0) continue;
      out.push_back(f.path);
    }
  } catch (const test_env::missing_input& e) {
    out.push_back(std::string("missing: ") + e.what());
  }
  return out;
}

}  // namespace jet_test
