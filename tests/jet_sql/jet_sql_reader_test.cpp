// Jet SQL over the Jet engine stand-in's own reader: the saved queries' text from its rows of
// MSysQueries, and Northwind's select queries run over its cursors.
#include <gtest/gtest.h>

#include <chrono>

#include "platform/jet/jet_sql_reader.h"
#include "platform/jet/sql/jet_query_text.h"
#include "platform/jet/sql/jet_sql_engine.h"
#include "tests/jet_sql/mdbtools_export.h"
#include "tests/support/test_env.h"

namespace {

std::unique_ptr<jet::jet_file> open_file(const char* relative) {
  std::unique_ptr<jet::jet_file> file;
  EXPECT_EQ(jet::jet_file::open(test_env::testdata_path(relative), L"", file), jet::jet_status::ok);
  return file;
}

// Our reader and mdb-export hand the same MSysQueries rows, so the texts agree.
TEST(jet_sql_reader, query_texts_agree_with_mdb_export) {
  for (const char* path :
       {"access/jet3/queryTestV1997.mdb", "access/jet4/queryTestV2000.mdb", "access/ace/queryTestV2007.accdb",
        "access/ace/queryTestV2010.accdb", "access/real/nwind.mdb"}) {
    SCOPED_TRACE(path);
    auto file = open_file(path);
    ASSERT_TRUE(file);
    jet_reader_catalog catalog(*file);
    auto exported = export_saved_queries(test_env::testdata_path(path));
    jet_text_dialect dialect =
        file->header().format == jet::jet_format::jet3 ? jet_text_dialect::jet3 : jet_text_dialect::jet4;
    EXPECT_EQ(catalog.objects().queries.size(), exported.size());
    for (const auto& [name, rows] : exported) {
      SCOPED_TRACE(testing::PrintToString(name));
      auto ours = catalog.find_query(name);
      ASSERT_TRUE(ours.has_value());
      EXPECT_EQ(*ours, jet_query_sql(rows, dialect).value_or(L"?"));
    }
  }
}

// The saved queries of the query-kind files open as Jet opens them: rows for a select or a
// union, DAO's errors for the rest.
TEST(jet_sql_reader, query_kinds_open_or_fail_as_dao) {
  struct {
    const wchar_t* name;
    long number;
  } kinds[] = {
      {L"SelectQuery", 0},       {L"UnionQuery", 3061},  // its SELECTs have no FROM: every column is a parameter
      {L"CrosstabQuery", 3096},                          // its WHERE holds Avg()
      {L"AppendQuery", 3219},    {L"UpdateQuery", 3219},         {L"DeleteQuery", 3219},
      {L"MakeTableQuery", 3219}, {L"DataDefinitionQuery", 3219}, {L"PassthroughQuery", 3219},
  };
  for (const char* path : {"access/jet3/queryTestV1997.mdb", "access/jet4/queryTestV2000.mdb",
                           "access/ace/queryTestV2007.accdb", "access/ace/queryTestV2010.accdb"}) {
    SCOPED_TRACE(path);
    auto file = open_file(path);
    ASSERT_TRUE(file);
    jet_reader_catalog catalog(*file);
    jet_sql_engine engine(catalog);
    for (const auto& k : kinds) {
      SCOPED_TRACE(testing::PrintToString(std::wstring(k.name)));
      jet_sql_error error;
      auto result = engine.open(catalog.find_query(k.name).value_or(L""), error);
      EXPECT_EQ(error.number, k.number) << testing::PrintToString(error.description);
      std::vector<jet_sql_value> row;
      while (result && result->next(row, error)) {
      }
      EXPECT_EQ(error.number, k.number);
    }
  }
}

size_t row_count(jet_sql_engine& engine, const std::wstring& sql, jet_sql_error& error) {
  auto result = engine.open(sql, error);
  if (!result) return 0;
  size_t n = 0;
  std::vector<jet_sql_value> row;
  while (result->next(row, error)) ++n;
  return n;
}

TEST(jet_sql_reader, northwind_select_queries) {
  auto file = open_file("access/real/nwind.mdb");
  ASSERT_TRUE(file);
  jet_reader_catalog catalog(*file);
  jet_sql_engine engine(catalog);
  jet_sql_error error;
  for (const auto& q : catalog.objects().queries) {
    SCOPED_TRACE(testing::PrintToString(q.name));
    auto started = std::chrono::steady_clock::now();
    size_t n = row_count(engine, L"SELECT * FROM [" + q.name + L"]", error);
    bool parameters =
        q.name == L"Employee Sales by Country" || q.name == L"Sales by Year" || q.name == L"Invoices Filter";
    EXPECT_EQ(error.number, parameters ? 3061 : 0) << testing::PrintToString(error.description);
    if (!parameters) {
      EXPECT_GT(n, 0u);
    }
    RecordProperty(
        std::string(q.name.begin(), q.name.end()),
        std::to_string(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started).count()));
  }
  EXPECT_EQ(row_count(engine, L"SELECT * FROM [Ten Most Expensive Products]", error), 10u);
  size_t current = row_count(engine, L"SELECT * FROM [Current Product List]", error);
  EXPECT_EQ(current, row_count(engine, L"SELECT ProductID FROM Products WHERE Not Discontinued", error));
  EXPECT_LT(current, row_count(engine, L"SELECT ProductID FROM Products", error));
  // The non-ASCII table name of the Jet 3 file, read through its code page.
  EXPECT_GT(row_count(engine, L"SELECT * FROM Umsätze", error), 0u);
  EXPECT_EQ(error.number, 0) << testing::PrintToString(error.description);
}

}  // namespace
