// The Jet SQL catalog over the Jet engine stand-in's own reader: the tables of an open Access
// file as cursors, the saved queries' text rebuilt from its MSysQueries rows. QueryDef.SQL and
// the recordsets over Jet SQL of the DAO surface go through it.
#pragma once

#include <map>
#include <memory>
#include <string>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_file.h"
#include "platform/jet/sql/jet_sql_catalog.h"

class jet_reader_catalog : public jet_sql_catalog {
 public:
  // The file must outlive the catalog.
  explicit jet_reader_catalog(const jet::jet_file& file);
  // Over a catalog already read from the file.
  jet_reader_catalog(const jet::jet_file& file, jet::jet_catalog objects);
  ~jet_reader_catalog() override;
  jet_sql_table* find_table(const std::wstring& name) override;
  std::optional<std::wstring> find_query(const std::wstring& name) override;
  std::wstring stored_name(const std::wstring& name) override;
  const jet::jet_catalog& objects() const { return catalog_; }
  // QueryDef.SQL of the saved query with that MSysObjects id; empty when it has no rows.
  std::wstring query_sql(std::int32_t id) const;
  // Empty when every MSysQueries row was read; else what could not be read, since the texts of
  // saved queries may then be missing or incomplete.
  const std::wstring& queries_damage() const { return queries_damage_; }

 private:
  void read_queries();

  const jet::jet_file& file_;
  jet::jet_catalog catalog_;
  std::map<std::int32_t, std::unique_ptr<jet_sql_table>> tables_;  // by object id, opened on demand
  std::map<std::int32_t, std::wstring> query_sql_;
  std::wstring queries_damage_;
};

// A value of the reader as a Jet SQL cell, and a column type as DAO's type code.
jet_sql_value jet_reader_value(const jet::jet_value& v);
int jet_reader_dao_type(const jet::jet_column& column);
