// The Jet SQL catalog over the Jet engine stand-in's own reader: the tables of an open Access
// file as cursors, the saved queries' text rebuilt from its MSysQueries rows. The DAO surface
// needs the same adapter to run QueryDef.OpenRecordset.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_file.h"
#include "platform/jet/sql/jet_sql_catalog.h"

class reader_catalog : public jet_sql_catalog {
 public:
  // The file must outlive the catalog.
  explicit reader_catalog(const jet::jet_file& file);
  ~reader_catalog() override;
  jet_sql_table* find_table(const std::wstring& name) override;
  std::optional<std::wstring> find_query(const std::wstring& name) override;
  std::wstring stored_name(const std::wstring& name) override;
  const jet::jet_catalog& objects() const { return catalog_; }

 private:
  const jet::jet_file& file_;
  jet::jet_catalog catalog_;
  std::map<std::int32_t, std::unique_ptr<jet_sql_table>> tables_;  // by object id, opened on demand
  std::map<std::int32_t, std::wstring> query_sql_;
};

// A value of the reader as a Jet SQL cell, and a column type as DAO's type code.
jet_sql_value reader_value(const jet::jet_value& v);
int reader_dao_type(const jet::jet_column& column);
