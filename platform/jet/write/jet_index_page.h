// Layout of a Jet 4 index page (B-tree leaf or node), shared by the builder and the tests that
// read pages back: header fields, the entry-end bitmask and where entries start.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

constexpr std::uint8_t jet_index_node_page = 0x03;
constexpr std::uint8_t jet_index_leaf_page = 0x04;

constexpr std::size_t jet_index_free_space_at = 2;  // u16: entry bytes still free
constexpr std::size_t jet_index_tdef_at = 4;        // u32: the table's definition page
constexpr std::size_t jet_index_prev_at = 12;       // u32: previous page of the same level
constexpr std::size_t jet_index_next_at = 16;       // u32: next page of the same level
constexpr std::size_t jet_index_tail_at = 20;       // u32: a node's last child
constexpr std::size_t jet_index_prefix_at = 24;     // u16: bytes every entry shares with the first
constexpr std::size_t jet_index_node_mark_at = 26;  // 1 on node pages, as Access writes them
constexpr std::size_t jet_index_mask_at = 27;       // bit i: an entry ends i bytes into the area
constexpr std::size_t jet_index_mask_size = 453;
constexpr std::size_t jet_index_entries_at = 0x1E0;
constexpr std::size_t jet_index_entry_space = 3616;  // bytes of entries a page holds

constexpr std::size_t jet_index_row_pointer_size = 4;  // data page (3 bytes, big-endian), row
constexpr std::size_t jet_index_child_size = 4;        // node entries: child page, big-endian

// The longest key an entry may hold: still room for two node entries per page, so every level
// above the leaves has fewer pages than the one below it.
constexpr std::size_t jet_index_most_key_size =
    jet_index_entry_space - jet_index_row_pointer_size - jet_index_child_size;

}  // namespace jet
