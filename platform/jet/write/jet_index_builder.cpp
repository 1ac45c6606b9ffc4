// The B-tree of one index, built bottom-up from the sorted entries: leaves filled in order,
// then node levels whose entries repeat the last leaf entry below each child, each node's last
// child named by its tail pointer alone (as Access writes them), until one page is left.
#include "platform/jet/write/jet_index_builder.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/jet/jet_dao_errors.h"
#include "platform/jet/jet_layout.h"
#include "platform/jet/write/jet_index_page.h"
#include "platform/jet/write/jet_write_refusal.h"

namespace jet {

namespace {

void put_u16(std::vector<std::uint8_t>& p, std::size_t at, std::uint32_t v) {
  p[at] = static_cast<std::uint8_t>(v);
  p[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void put_u32(std::vector<std::uint8_t>& p, std::size_t at, std::uint32_t v) {
  for (int i = 0; i < 4; ++i) p[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}

// One index page being filled.
class page_image {
 public:
  page_image(std::uint8_t type, std::uint32_t tdef) : bytes_(jet4_page_size, 0) {
    bytes_[0] = type;
    bytes_[1] = 0x01;
    put_u32(bytes_, jet_index_tdef_at, tdef);
    if (type == jet_index_node_page) bytes_[jet_index_node_mark_at] = 1;
  }
  void add(const std::uint8_t* data, std::size_t size, const std::uint8_t* child = nullptr) {
    std::uint8_t* at = bytes_.data() + jet_index_entries_at + used_;
    std::memcpy(at, data, size);
    used_ += size;
    if (child != nullptr) {
      std::memcpy(at + size, child, jet_index_child_size);
      used_ += jet_index_child_size;
    }
    // The entry-end bit sits at the offset just past the entry.
    bytes_[jet_index_mask_at + used_ / 8] |= static_cast<std::uint8_t>(1u << (used_ % 8));
  }
  std::vector<std::uint8_t>& finish(std::uint32_t prev, std::uint32_t next, std::uint32_t tail) {
    put_u16(bytes_, jet_index_free_space_at, static_cast<std::uint32_t>(jet_index_entry_space - used_));
    put_u32(bytes_, jet_index_prev_at, prev);
    put_u32(bytes_, jet_index_next_at, next);
    put_u32(bytes_, jet_index_tail_at, tail);
    return bytes_;
  }

 private:
  std::vector<std::uint8_t> bytes_;
  std::size_t used_ = 0;
};

// A page of the level below, seen from its parent: its number and the last leaf entry under it.
struct child_page {
  std::uint32_t page;
  const std::uint8_t* last;
  std::size_t last_size;
};

// Runs of children that share one node page: all but the last get an entry (key, row pointer
// and child number); the last is the tail.
std::vector<std::pair<std::size_t, std::size_t>> group_children(const std::vector<child_page>& children) {
  std::vector<std::pair<std::size_t, std::size_t>> groups;
  std::size_t begin = 0, used = 0;
  for (std::size_t k = 1; k < children.size(); ++k) {
    // Taking child k turns child k-1 from the tail into an entry.
    std::size_t entry = children[k - 1].last_size + jet_index_child_size;
    if (used + entry > jet_index_entry_space) {
      groups.emplace_back(begin, k);
      begin = k;
      used = 0;
    } else {
      used += entry;
    }
  }
  groups.emplace_back(begin, children.size());
  // A last page with a tail and no entry is legal but odd; give it a neighbour's last child.
  if (groups.size() >= 2) {
    auto& last = groups.back();
    auto& before = groups[groups.size() - 2];
    if (last.second - last.first == 1 && before.second - before.first >= 3) {
      --before.second;
      --last.first;
    }
  }
  return groups;
}

}  // namespace

void jet_index_builder::for_each_key(
    const std::function<void(const std::uint8_t* key, std::size_t size, bool has_null)>& f) const {
  for (const auto& e : entries_) f(bytes_.data() + e.at, e.size - jet_index_row_pointer_size, e.has_null);
}

void jet_index_builder::add(const std::vector<std::uint8_t>& key, std::uint32_t data_page, std::uint8_t row,
                            bool has_null) {
  if (key.empty() || key.size() > jet_index_most_key_size) jet_refuse(dao_impl::dao_err_record_too_large);
  // Three bytes of page: row pointers of index entries reach 16M pages, the format's limit.
  if (data_page > 0xFFFFFFu) jet_refuse(dao_impl::dao_err_invalid_argument);
  entries_.push_back({bytes_.size(), static_cast<std::uint32_t>(key.size() + jet_index_row_pointer_size), has_null});
  bytes_.insert(bytes_.end(), key.begin(), key.end());
  bytes_.push_back(static_cast<std::uint8_t>(data_page >> 16));
  bytes_.push_back(static_cast<std::uint8_t>(data_page >> 8));
  bytes_.push_back(static_cast<std::uint8_t>(data_page));
  bytes_.push_back(row);
}

jet_index_tree jet_index_builder::build(jet_page_sink& sink) {
  const std::uint8_t* base = bytes_.data();
  auto less = [base](const entry_ref& a, const entry_ref& b) {
    int c = std::memcmp(base + a.at, base + b.at, std::min(a.size, b.size));
    return c != 0 ? c < 0 : a.size < b.size;
  };
  std::sort(entries_.begin(), entries_.end(), less);

  jet_index_tree tree;
  tree.entry_count = static_cast<std::uint32_t>(entries_.size());
  for (std::size_t i = 0; i < entries_.size(); ++i) {
    const entry_ref& e = entries_[i];
    bool same = false;
    if (i > 0) {
      const entry_ref& p = entries_[i - 1];
      same = p.size == e.size && std::memcmp(base + p.at, base + e.at, e.size - jet_index_row_pointer_size) == 0;
    }
    if (!same)
      ++tree.unique_key_count;
    else if (unique_ && !e.has_null)
      jet_refuse(dao_impl::dao_err_duplicate_key);
  }

  // Leaves: as many entries per page as fit, in order.
  std::vector<std::pair<std::size_t, std::size_t>> runs;
  {
    std::size_t begin = 0, used = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
      if (used + entries_[i].size > jet_index_entry_space) {
        runs.emplace_back(begin, i);
        begin = i;
        used = 0;
      }
      used += entries_[i].size;
    }
    runs.emplace_back(begin, entries_.size());  // an empty index is one empty leaf
  }
  std::vector<std::uint32_t> numbers(runs.size());
  for (auto& n : numbers) n = sink.allocate_page();
  std::vector<child_page> level;
  for (std::size_t r = 0; r < runs.size(); ++r) {
    page_image page(jet_index_leaf_page, tdef_page_);
    for (std::size_t i = runs[r].first; i < runs[r].second; ++i) page.add(base + entries_[i].at, entries_[i].size);
    sink.write_page(numbers[r], page.finish(r > 0 ? numbers[r - 1] : 0, r + 1 < runs.size() ? numbers[r + 1] : 0, 0));
    if (runs[r].second > runs[r].first) {
      const entry_ref& last = entries_[runs[r].second - 1];
      level.push_back({numbers[r], base + last.at, last.size});
    } else {
      level.push_back({numbers[r], nullptr, 0});
    }
  }
  tree.levels = 1;

  // Node levels until one page holds everything.
  while (level.size() > 1) {
    auto groups = group_children(level);
    std::vector<std::uint32_t> nodes(groups.size());
    for (auto& n : nodes) n = sink.allocate_page();
    std::vector<child_page> above;
    for (std::size_t g = 0; g < groups.size(); ++g) {
      page_image page(jet_index_node_page, tdef_page_);
      for (std::size_t k = groups[g].first; k + 1 < groups[g].second; ++k) {
        std::uint8_t child[jet_index_child_size];
        for (std::size_t b = 0; b < jet_index_child_size; ++b)
          child[b] = static_cast<std::uint8_t>(level[k].page >> (8 * (jet_index_child_size - 1 - b)));
        page.add(level[k].last, level[k].last_size, child);
      }
      const child_page& tail = level[groups[g].second - 1];
      sink.write_page(nodes[g],
                      page.finish(g > 0 ? nodes[g - 1] : 0, g + 1 < groups.size() ? nodes[g + 1] : 0, tail.page));
      above.push_back({nodes[g], tail.last, tail.last_size});
    }
    level = std::move(above);
    ++tree.levels;
  }
  tree.root_page = level.front().page;
  // The keys are on their pages now; a writer building many indexes at Close holds one at a time.
  std::vector<std::uint8_t>().swap(bytes_);
  std::vector<entry_ref>().swap(entries_);
  return tree;
}

}  // namespace jet
