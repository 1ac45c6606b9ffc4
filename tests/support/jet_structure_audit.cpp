// The structure audit: reads the raw pages itself (table definitions, usage maps, page headers)
// and takes only the list of tables from our reader's catalog.
#include "tests/support/jet_structure_audit.h"

#include <algorithm>
#include <cstring>
#include <memory>
#include <optional>
#include <stdexcept>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_file.h"
#include "platform/jet/jet_layout.h"
#include "platform/jet/jet_rc4.h"

namespace test_audit {

namespace {

constexpr std::size_t page_size = jet::jet4_page_size;
constexpr std::uint8_t page_data = 0x01;
constexpr std::uint8_t page_tdef = 0x02;
constexpr std::uint8_t page_index_node = 0x03;
constexpr std::uint8_t page_index_leaf = 0x04;
constexpr std::uint8_t page_map = 0x05;
constexpr std::uint16_t row_deleted = 0x8000;
constexpr std::uint16_t row_offset_mask = 0x1FFF;
constexpr std::uint8_t map_inline = 0x00;
constexpr std::uint8_t map_reference = 0x01;
// Pages one reference-map page covers: its bitmap starts after a 4-byte header.
constexpr std::uint32_t pages_per_map_page = (page_size - 4) * 8;

// Offsets in a Jet 4 table definition (its pages joined, later pages without their 8-byte
// header).
constexpr std::size_t tdef_rows = 16;
constexpr std::size_t tdef_columns = 45;
constexpr std::size_t tdef_logical_indexes = 47;
constexpr std::size_t tdef_real_indexes = 51;
constexpr std::size_t tdef_owned_map = 55;
constexpr std::size_t tdef_free_map = 59;
constexpr std::size_t tdef_real_index_entries = 63;
constexpr std::size_t tdef_next_page_header = 8;
constexpr std::size_t real_index_entry = 12;
constexpr std::size_t column_entry = 25;
constexpr std::size_t column_number_at = 5;
constexpr std::size_t real_index_def = 52;
constexpr std::size_t real_index_map_at = 34;
constexpr std::size_t real_index_root_at = 38;
constexpr std::size_t logical_index_entry = 28;
constexpr std::size_t long_value_map_entry = 10;
constexpr std::uint16_t end_marker = 0xFFFF;

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::string narrow(const std::wstring& w) {
  std::string out;
  for (wchar_t c : w) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

struct map_row {
  std::size_t at = 0;  // offset of the row in the image
  std::size_t size = 0;
};

class auditor {
 public:
  // `image` with its pages decoded; `as_stored` as the file holds it, for our reader.
  auditor(const std::vector<std::uint8_t>& image, const std::vector<std::uint8_t>& as_stored, const allowance& allowed)
      : img_(image),
        stored_(as_stored),
        allowed_(allowed),
        pages_(static_cast<std::uint32_t>(image.size() / page_size)) {}

  result run();

 private:
  const std::uint8_t* page(std::uint32_t n) const { return img_.data() + std::size_t{n} * page_size; }
  void fault(const std::string& text) { out_.faults.push_back(text); }
  void own(std::uint32_t p, const std::string& who) {
    auto [it, fresh] = out_.owner.emplace(p, who);
    if (!fresh) fault("page " + std::to_string(p) + " is owned twice: " + it->second + ", " + who);
  }
  std::optional<map_row> find_row(std::uint32_t row_pointer, const std::string& what);
  // The pages a usage map lists; its row page and reference-map pages are noted as owned.
  std::set<std::uint32_t> read_map(std::uint32_t row_pointer, const std::string& what, bool global = false);
  void audit_table(const std::string& name, std::uint32_t tdef_page);
  bool marked_free(std::uint32_t p) const { return global_free_.count(p) != 0; }

  const std::vector<std::uint8_t>& img_;
  const std::vector<std::uint8_t>& stored_;
  const allowance& allowed_;
  std::uint32_t pages_;
  result out_;
  std::set<std::uint32_t> global_free_;
  std::set<std::uint32_t> map_row_pages_;
  std::map<std::uint32_t, std::string> data_page_table_;  // data page -> table whose map lists it
};

std::optional<map_row> auditor::find_row(std::uint32_t row_pointer, const std::string& what) {
  std::uint32_t p = row_pointer >> 8;
  std::size_t r = row_pointer & 0xFF;
  if (p == 0 || p >= pages_ || page(p)[0] != page_data) {
    fault(what + ": its row pointer names page " + std::to_string(p) + ", not a data page");
    return std::nullopt;
  }
  const std::uint8_t* pg = page(p);
  std::size_t rows = u16(pg + 12);
  if (r >= rows || 14 + 2 * rows > page_size) {
    fault(what + ": page " + std::to_string(p) + " has no row " + std::to_string(r));
    return std::nullopt;
  }
  std::size_t start = u16(pg + 14 + 2 * r) & row_offset_mask;
  std::size_t end = r == 0 ? page_size : (u16(pg + 14 + 2 * (r - 1)) & row_offset_mask);
  if (start >= end || end > page_size) {
    fault(what + ": row " + std::to_string(r) + " of page " + std::to_string(p) + " has no bytes");
    return std::nullopt;
  }
  map_row m;
  m.at = std::size_t{p} * page_size + start;
  m.size = end - start;
  return m;
}

std::set<std::uint32_t> auditor::read_map(std::uint32_t row_pointer, const std::string& what, bool global) {
  std::set<std::uint32_t> listed;
  std::optional<map_row> row = find_row(row_pointer, what);
  if (!row) return listed;
  if (!global) map_row_pages_.insert(row_pointer >> 8);
  const std::uint8_t* b = img_.data() + row->at;
  auto add = [&](std::uint32_t p) {
    if (p < pages_) {
      listed.insert(p);
      if (!global) out_.listed_by.emplace(p, row_pointer);  // the owned map, read first
    } else if (!global)
      fault(what + " lists page " + std::to_string(p) + ", past the end of the file");
  };
  if (b[0] == map_inline && row->size >= 5) {
    std::uint32_t start = u32(b + 1);
    for (std::size_t i = 0; i < (row->size - 5) * 8; ++i)
      if (b[5 + i / 8] & (1u << (i % 8))) add(start + static_cast<std::uint32_t>(i));
  } else if (b[0] == map_reference) {
    for (std::size_t j = 0; 1 + 4 * j + 4 <= row->size; ++j) {
      std::uint32_t mp = u32(b + 1 + 4 * j);
      if (mp == 0) continue;
      if (mp >= pages_ || page(mp)[0] != page_map) {
        fault(what + ": reference map page " + std::to_string(mp) + " is not a map page");
        continue;
      }
      own(mp, what + " map page");
      const std::uint8_t* bits = page(mp) + 4;
      for (std::uint32_t i = 0; i < pages_per_map_page; ++i)
        if (bits[i / 8] & (1u << (i % 8))) add(static_cast<std::uint32_t>(j) * pages_per_map_page + i);
    }
  } else {
    fault(what + ": not a usage map (kind " + std::to_string(b[0]) + ")");
  }
  return listed;
}

void auditor::audit_table(const std::string& name, std::uint32_t tdef_page) {
  // The definition's page chain.
  std::vector<std::uint8_t> def;
  std::set<std::uint32_t> chain;
  for (std::uint32_t p = tdef_page; p != 0; p = u32(page(p) + 4)) {
    if (p >= pages_ || page(p)[0] != page_tdef || !chain.insert(p).second) {
      fault(name + ": definition chain reaches page " + std::to_string(p) + ", not a definition page");
      return;
    }
    own(p, name + " definition");
    const std::uint8_t* pg = page(p);
    std::size_t skip = def.empty() ? 0 : tdef_next_page_header;
    def.insert(def.end(), pg + skip, pg + page_size);
  }
  auto has = [&def](std::size_t at, std::size_t n) { return at <= def.size() && n <= def.size() - at; };
  auto cut = [&]() { fault(name + ": definition is cut short"); };
  if (!has(0, tdef_real_index_entries)) return cut();

  std::uint32_t stored_rows = u32(def.data() + tdef_rows);
  std::size_t columns = u16(def.data() + tdef_columns);
  std::size_t logical = u32(def.data() + tdef_logical_indexes);
  std::size_t reals = u32(def.data() + tdef_real_indexes);
  if (columns > 4096 || logical > 1024 || reals > 1024) return cut();

  // Data pages: the owned map against the page headers, rows against the stored count.
  std::set<std::uint32_t> data = read_map(u32(def.data() + tdef_owned_map), name + " owned map");
  std::size_t live = 0;
  for (std::uint32_t p : data) {
    const std::uint8_t* pg = page(p);
    if (pg[0] != page_data || u32(pg + 4) != tdef_page) {
      fault(name + " owned map lists page " + std::to_string(p) + ", which is not one of its data pages");
      continue;
    }
    own(p, name + " data");
    data_page_table_[p] = name;
    std::size_t rows = u16(pg + 12);
    for (std::size_t r = 0; r < rows && 14 + 2 * r + 2 <= page_size; ++r)
      // A row moved to another page keeps its slot here as a pointer: count the slot.
      if ((u16(pg + 14 + 2 * r) & row_deleted) == 0) ++live;
  }
  std::wstring wide_name(name.begin(), name.end());
  if (live != stored_rows && !allowed_.stale_row_counts.count(wide_name))
    fault(name + ": definition counts " + std::to_string(stored_rows) + " rows, its pages hold " +
          std::to_string(live));
  for (std::uint32_t p : read_map(u32(def.data() + tdef_free_map), name + " free-space map"))
    if (!data.count(p)) fault(name + " free-space map lists page " + std::to_string(p) + ", not one of its data pages");
  for (std::uint32_t p = 0; p < pages_; ++p) {
    const std::uint8_t* pg = page(p);
    if (p > 1 && pg[0] == page_data && u32(pg + 4) == tdef_page && !data.count(p) && !marked_free(p))
      fault("page " + std::to_string(p) + " names " + name + " in its header, but " + name + "'s map does not list it");
  }

  // Past the real-index entries: columns, their names, real indexes, logical indexes and
  // their names, then the long-value maps.
  std::size_t pos = tdef_real_index_entries + reals * real_index_entry;
  if (!has(pos, columns * column_entry)) return cut();
  std::map<std::uint16_t, std::uint8_t> column_types;
  for (std::size_t i = 0; i < columns; ++i, pos += column_entry)
    column_types[u16(def.data() + pos + column_number_at)] = def[pos];
  auto skip_names = [&](std::size_t n) {
    for (std::size_t i = 0; i < n; ++i) {
      if (!has(pos, 2)) return false;
      std::size_t len = u16(def.data() + pos);
      if (!has(pos + 2, len)) return false;
      pos += 2 + len;
    }
    return true;
  };
  if (!skip_names(columns) || !has(pos, reals * real_index_def)) return cut();
  for (std::size_t i = 0; i < reals; ++i, pos += real_index_def) {
    std::string what = name + " index " + std::to_string(i);
    std::uint32_t root = u32(def.data() + pos + real_index_root_at);
    std::set<std::uint32_t> index_pages = read_map(u32(def.data() + pos + real_index_map_at), what + " map");
    for (std::uint32_t p : index_pages) {
      const std::uint8_t* pg = page(p);
      if ((pg[0] != page_index_node && pg[0] != page_index_leaf) || u32(pg + 4) != tdef_page)
        fault(what + " map lists page " + std::to_string(p) + ", which is not one of its index pages");
      else
        own(p, what);
    }
    if (!index_pages.count(root)) fault(what + ": root page " + std::to_string(root) + " is not in its map");
  }
  if (!has(pos, logical * logical_index_entry)) return cut();
  pos += logical * logical_index_entry;
  if (!skip_names(logical)) return cut();
  std::set<std::uint16_t> mapped_long_columns;
  while (true) {
    if (!has(pos, 2)) return cut();
    std::uint16_t column = u16(def.data() + pos);
    if (column == end_marker) break;
    if (!has(pos, long_value_map_entry)) return cut();
    mapped_long_columns.insert(column);
    std::string what = name + " column " + std::to_string(column) + " long values";
    std::set<std::uint32_t> lval = read_map(u32(def.data() + pos + 2), what);
    for (std::uint32_t p : lval) {
      const std::uint8_t* pg = page(p);
      if (pg[0] != page_data || std::memcmp(pg + 4, "LVAL", 4) != 0)
        fault(what + " map lists page " + std::to_string(p) + ", not an LVAL page");
      else
        own(p, what);
    }
    // No free-space map is a legal state of a column that never had one.
    if (std::uint32_t free_map = u32(def.data() + pos + 6); free_map != 0)
      for (std::uint32_t p : read_map(free_map, what + " free-space map"))
        if (!lval.count(p)) fault(what + " free-space map lists page " + std::to_string(p) + ", not one of its pages");
    pos += long_value_map_entry;
  }
}

result auditor::run() {
  if (img_.size() % page_size != 0 || pages_ < 2 ||
      img_[jet::jet_layout_version_offset] != jet::jet_layout_version_jet4) {
    fault("not a Jet 4 file of whole pages");
    return out_;
  }
  own(0, "header");
  own(1, "global map");
  global_free_ = read_map(0x100, "global map", true);

  std::unique_ptr<jet::jet_file> file;
  jet::jet_catalog catalog;
  if (jet::jet_file::open_bytes(stored_, L"", file) != jet::jet_status::ok || !jet::jet_read_catalog(*file, catalog)) {
    fault("the catalog cannot be read");
    return out_;
  }
  std::set<std::uint32_t> seen;
  for (const auto& t : catalog.tables) {
    if (t.type != jet::jet_obj_table || !seen.insert(t.page()).second) continue;
    audit_table(narrow(t.name), t.page());
  }
  if (!seen.count(jet::jet_catalog_page)) audit_table("MSysObjects", jet::jet_catalog_page);

  // Pages holding usage-map rows belong to the maps, unless a table lists them as its own.
  for (std::uint32_t p : map_row_pages_)
    if (p != 1 && !data_page_table_.count(p)) own(p, "usage-map rows");

  for (std::uint32_t p = 0; p < pages_; ++p) {
    auto it = out_.owner.find(p);
    bool is_free = marked_free(p);
    if (it != out_.owner.end()) {
      if (is_free)
        fault("page " + std::to_string(p) + " is in use (" + it->second + ") but the global map marks it free");
      continue;
    }
    if (is_free) continue;
    const std::uint8_t* pg = page(p);
    bool zero = std::all_of(pg, pg + page_size, [](std::uint8_t b) { return b == 0; });
    bool lval = pg[0] == page_data && std::memcmp(pg + 4, "LVAL", 4) == 0;
    if ((zero && allowed_.reserved_zero_pages) || allowed_.leaked_pages.count(p) ||
        (lval && allowed_.untracked_long_values))
      continue;
    fault("page " + std::to_string(p) + " (type " + std::to_string(pg[0]) +
          ") is marked used in the global map, but nothing owns it");
  }
  return out_;
}

// The file with its pages decoded when the header says they are RC4-encoded (the key XOR the
// page number, page by page); the header itself stays as it is.
std::vector<std::uint8_t> plain_pages(const std::vector<std::uint8_t>& image) {
  if (image.size() < page_size) return image;
  std::uint8_t header[jet::jet_layout_header_masked_size];
  std::memcpy(header, image.data() + jet::jet_layout_header_masked_at, sizeof header);
  jet::jet_rc4(jet::jet_layout_header_key, sizeof jet::jet_layout_header_key).apply(header, sizeof header);
  std::uint32_t key = u32(header + (jet::jet_layout_encoding_key_at - jet::jet_layout_header_masked_at));
  if (key == 0) return image;
  std::vector<std::uint8_t> out = image;
  for (std::uint32_t p = 1; std::size_t{p + 1} * page_size <= out.size(); ++p) {
    std::uint32_t k = key ^ p;
    std::uint8_t kb[4] = {static_cast<std::uint8_t>(k), static_cast<std::uint8_t>(k >> 8),
                          static_cast<std::uint8_t>(k >> 16), static_cast<std::uint8_t>(k >> 24)};
    jet::jet_rc4(kb, sizeof kb).apply(out.data() + std::size_t{p} * page_size, page_size);
  }
  return out;
}

}  // namespace

result audit_jet4(const std::vector<std::uint8_t>& image, const allowance& allowed) {
  std::vector<std::uint8_t> plain = plain_pages(image);
  return auditor(plain, image, allowed).run();
}

std::size_t map_bit(const std::vector<std::uint8_t>& image, std::uint32_t row_pointer, std::uint32_t page,
                    std::uint8_t& mask) {
  std::uint32_t p = row_pointer >> 8;
  std::size_t r = row_pointer & 0xFF;
  if (std::size_t{p + 1} * page_size > image.size()) throw std::runtime_error("map row past the end");
  const std::uint8_t* pg = image.data() + std::size_t{p} * page_size;
  std::size_t start = u16(pg + 14 + 2 * r) & row_offset_mask;
  std::size_t end = r == 0 ? page_size : (u16(pg + 14 + 2 * (r - 1)) & row_offset_mask);
  const std::uint8_t* b = pg + start;
  if (b[0] != map_inline) throw std::runtime_error("not an inline map");
  std::uint32_t first = u32(b + 1);
  if (page < first || page - first >= (end - start - 5) * 8) throw std::runtime_error("page not covered by the map");
  std::uint32_t bit = page - first;
  mask = static_cast<std::uint8_t>(1u << (bit % 8));
  return std::size_t{p} * page_size + start + 5 + bit / 8;
}

}  // namespace test_audit
