// The user's changes to all tables of one conversion: the table mutators by source and by
// destination table name. Loading, saving and the default type mapping belong to the driver.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "TK/tk_logger.h"
#include "UDB/udb_properties.h"

// TABLE_MUTATOR is the target's table mutator (a udb_table_mutator).
template <class TABLE_MUTATOR>
class udb_db_mutator : public udb_properties {
 public:
  udb_properties* get_by_source_name(const std::wstring& table) override { return get_table_mutator3(table); }
  udb_properties* get_by_target_name(const std::wstring& table) override {
    auto it = by_target.find(table);
    return it == by_target.end() ? nullptr : it->second;
  }

  // The mutator of a source table, made on first use; its destination name becomes new_name
  // (the destination map keeps the name it was first registered under).
  TABLE_MUTATOR* get_table_mutator2(const std::wstring& source, const std::wstring& new_name) {
    tk_log2(tk_log_trace, L"get_table_mutator2(%ls,%ls)", source.c_str(), new_name.c_str());
    if (auto it = by_source.find(source); it != by_source.end()) {
      tk_log2(tk_log_detail, L"udb_table_mutator::set_new_name(%ls)", new_name.c_str());
      it->second->new_name = new_name;
      return it->second.get();
    }
    auto* created = new TABLE_MUTATOR(new_name);
    by_source.emplace(source, std::unique_ptr<TABLE_MUTATOR>(created));
    by_target.emplace(new_name, created);
    return created;
  }

  // The mutator of a source table, or null.
  TABLE_MUTATOR* get_table_mutator3(const std::wstring& table) {
    tk_log2(tk_log_trace, L"get_table_mutator3(%ls)", table.c_str());
    auto it = by_source.find(table);
    return it == by_source.end() ? nullptr : it->second.get();
  }

  // Source table -> its mutator (owned); keys compare exactly.
  std::map<std::wstring, std::unique_ptr<TABLE_MUTATOR>> by_source;
  // Destination table -> the same mutators.
  std::map<std::wstring, TABLE_MUTATOR*> by_target;
};
