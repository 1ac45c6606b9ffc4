// The converter's run state and selections: the conversion mode, the progress of a run (read by
// the wizard from another thread), the tables, queries and views to convert and the options.
#pragma once

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "converter/tk_converter.h"

class udb_profile;

// What a run does with a table that exists in the destination.
enum conversion_mode_value : std::uint32_t {
  mode_overwrite_database = 0,  // the destination check dropped the whole database
  mode_overwrite_tables = 1,    // an existing table is dropped and made again
  mode_skip_tables = 2,         // an existing table is left alone, its item skipped
  mode_merge = 3,               // rows are added; a row whose key exists is dropped
  mode_synchronize = 4,         // rows are added; a row whose key exists updates that row
};

class udb_converter : public tk_converter {
 public:
  using item = std::pair<std::wstring, std::wstring>;  // (name, SQL text; empty for a table)
  using item_list = std::vector<item>;

  udb_converter();
  ~udb_converter() override = default;

  void set_mode(std::uint32_t mode);
  // Whether the query opens on the source.
  virtual bool test_query(const std::wstring& sql) = 0;

  // The "Generic settings" keys of these fields and the three list sections. load_profile
  // appends to the lists; a "mode" that is not one of 0 to 4 is a tk_exception (kind 1).
  bool load_profile(udb_profile& profile);
  bool store_profile(udb_profile& profile) const;

  // The item being converted (source name); safe from any thread.
  std::wstring get_current_table() const;
  void set_current_table(const std::wstring& name);

  std::uint32_t conversion_mode = mode_overwrite_database;
  // Progress of the current run.
  std::atomic<std::uint32_t> tables_total{0};
  std::atomic<std::uint32_t> tables_done{0};
  std::atomic<std::uint64_t> records_total{0};
  std::atomic<std::uint64_t> records_done{0};

  std::vector<std::wstring> selected_tables;  // tables chosen on the table page
  item_list items;                            // user queries and tables to convert, in order
  item_list selected_views;                   // source select queries made as views
  item_list available_queries;                // queries known to the table page
  bool tab_def = false;                       // create the tables only, copy no rows
  bool skip_idx = false;                      // create the tables without indexes
  bool convert_views = false;                 // read the source's select queries as views

 private:
  mutable std::mutex current_mutex_;
  std::wstring current_table_;
};
