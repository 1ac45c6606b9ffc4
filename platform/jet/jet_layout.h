// Fixed facts of the Jet file layout that the reader and the writer both rely on: page size,
// header signature, the RC4 key that masks the header, where things sit in a table definition
// and on data pages. One copy so the two cannot drift.
#pragma once

#include <cstddef>
#include <cstdint>

namespace jet {

constexpr std::size_t jet4_page_size = 4096;
constexpr char jet_layout_jet_signature[] = "Standard Jet DB";  // at offset 4 of page 0
constexpr char jet_layout_ace_signature[] = "Standard ACE DB";
constexpr std::size_t jet_layout_version_offset = 0x14;  // 0 Jet 3, 1 Jet 4, 2+ ACE
constexpr std::uint8_t jet_layout_version_jet4 = 1;

// The header from 0x18 is RC4-encoded with this fixed key over 128 bytes (126 in Jet 3).
constexpr std::uint8_t jet_layout_header_key[] = {0xC7, 0xDA, 0x39, 0x6B};
constexpr std::size_t jet_layout_header_masked_at = 0x18;
constexpr std::size_t jet_layout_header_masked_size = 128;

// Offsets inside the header page, before masking.
constexpr std::size_t jet_layout_code_page_at = 0x3C;
constexpr std::size_t jet_layout_encoding_key_at = 0x3E;
constexpr std::size_t jet_layout_password_at = 0x42;
constexpr std::size_t jet_layout_password_size = 40;  // 20 UTF-16 characters
constexpr std::size_t jet_layout_sort_order_at = 0x6E;
constexpr std::size_t jet_layout_created_at = 0x72;  // a double, the date of creation

// Where things are in a table definition, per format (offsets from the start of the joined
// definition bytes, or from the start of one entry).
struct jet_tdef_layout {
  std::size_t num_cols, num_idx, num_real_idx, real_idx_start;
  std::size_t real_idx_entry, col_entry;
  std::size_t col_type, col_num, col_flags, col_ext_flags;  // col_ext_flags 0: none
  std::size_t name_len_size;
  std::size_t real_idx_def, real_idx_cols, real_idx_flags;
  std::size_t logical_entry, logical_number, logical_real, logical_type;
};

constexpr jet_tdef_layout jet3_tdef_layout = {0x19, 0x1B, 0x1F, 0x2B, 8, 18, 0, 1, 13, 0, 1, 39, 0, 38, 20, 0, 4, 19};
constexpr jet_tdef_layout jet4_tdef_layout = {0x2D, 0x2F, 0x33, 0x3F, 12, 25, 0, 5, 15, 16, 2, 52, 4, 46, 28, 4, 8, 23};

// Page types (first byte of a page) and the second byte every page carries.
constexpr std::uint8_t jet_page_data = 0x01;
constexpr std::uint8_t jet_page_tdef = 0x02;
constexpr std::uint8_t jet_page_index_node = 0x03;
constexpr std::uint8_t jet_page_index_leaf = 0x04;
constexpr std::uint8_t jet_page_usage_map = 0x05;
constexpr std::uint8_t jet_page_marker = 0x01;

// The constant Access stores in several places of a Jet 4 table definition.
constexpr std::uint32_t jet4_tdef_magic = 1625;
// The constant that opens each stored (real) index definition.
constexpr std::uint32_t jet4_real_index_magic = 1923;

// Jet 4 table definition header (offsets in the first page).
constexpr std::size_t jet4_tdef_free_space_at = 2;        // u16: page size - used - 8
constexpr std::size_t jet4_tdef_next_page_at = 4;         // u32: next page of the chain, 0 at the end
constexpr std::size_t jet4_tdef_length_at = 8;            // u32: joined length of the definition
constexpr std::size_t jet4_tdef_magic_at = 12;            // u32: jet4_tdef_magic
constexpr std::size_t jet4_tdef_rows_at = 16;             // u32
constexpr std::size_t jet4_tdef_autonumber_at = 20;       // u32: last AutoNumber handed out
constexpr std::size_t jet4_tdef_flag_at = 24;             // u8: 1 in every file
constexpr std::size_t jet4_tdef_table_type_at = 40;       // u8: 0x4E user, 0x53 system
constexpr std::size_t jet4_tdef_max_cols_at = 41;         // u16: the next column number
constexpr std::size_t jet4_tdef_var_cols_at = 43;         // u16
constexpr std::size_t jet4_tdef_owned_map_at = 55;        // row pointer of the owned-pages map
constexpr std::size_t jet4_tdef_free_map_at = 59;         // row pointer of the free-space map
constexpr std::size_t jet4_tdef_continuation_header = 8;  // bytes before the data of later pages
constexpr std::uint8_t jet4_table_user = 0x4E;
constexpr std::uint8_t jet4_table_system = 0x53;

// Jet 4 column descriptor (25 bytes), offsets inside one entry.
constexpr std::size_t jet4_col_magic_at = 1;          // u32: jet4_tdef_magic
constexpr std::size_t jet4_col_var_index_at = 7;      // u16
constexpr std::size_t jet4_col_num_again_at = 9;      // u16: the column number once more
constexpr std::size_t jet4_col_misc_at = 11;          // sort order (4 bytes), or precision, scale
constexpr std::size_t jet4_col_fixed_offset_at = 21;  // u16
constexpr std::size_t jet4_col_length_at = 23;        // u16

// Column flag bits.
constexpr std::uint8_t jet_col_flag_fixed = 0x01;
constexpr std::uint8_t jet_col_flag_nullable = 0x02;
constexpr std::uint8_t jet_col_flag_autonumber = 0x04;

// Jet 4 real index definition (52 bytes) and logical index entry (28 bytes).
constexpr std::size_t jet4_real_idx_map_at = 34;   // row pointer of the index's usage map
constexpr std::size_t jet4_real_idx_root_at = 38;  // u32: root page
constexpr std::size_t jet4_real_idx_key_columns = 10;

// Data pages.
constexpr std::size_t jet4_data_free_space_at = 2;  // u16
constexpr std::size_t jet4_data_owner_at = 4;       // u32: tdef page, or "LVAL"
constexpr std::size_t jet4_data_row_count_at = 12;  // u16
constexpr std::size_t jet4_data_offsets_at = 14;    // u16 per row, from the page end down
constexpr std::uint16_t jet_row_deleted = 0x8000;
constexpr std::uint16_t jet_row_overflow = 0x4000;
constexpr std::size_t jet4_max_row_size = 4060;

// Usage maps: a row on a data page. Inline (type 0): start page (u32) then a bitmap; reference
// (type 1): page numbers (u32) of usage-map pages (type 0x05), each a bitmap from byte 4.
constexpr std::uint8_t jet_map_inline = 0;
constexpr std::uint8_t jet_map_reference = 1;
constexpr std::size_t jet4_map_row_size = 69;
constexpr std::size_t jet4_inline_map_pages = (jet4_map_row_size - 5) * 8;     // 512
constexpr std::size_t jet4_reference_map_slots = (jet4_map_row_size - 1) / 4;  // 17
constexpr std::size_t jet4_map_page_bitmap_at = 4;
constexpr std::size_t jet4_map_page_pages = (jet4_page_size - jet4_map_page_bitmap_at) * 8;

// Long values (memo, OLE): the 12 bytes the row keeps.
constexpr std::size_t jet4_long_value_header = 12;
constexpr std::uint8_t jet_lval_inline = 0x80;
constexpr std::uint8_t jet_lval_single = 0x40;
constexpr std::uint8_t jet_lval_chain = 0x00;

}  // namespace jet
