// QueryDef.SQL rebuilt from MSysQueries rows, against the texts Access shows for the saved
// queries of the real test files (their rows read by mdb-export, not by our reader).
#include <gtest/gtest.h>

#include "platform/jet/sql/jet_query_text.h"
#include "tests/jet_sql/mdbtools_export.h"
#include "tests/jet_sql/nwind_query_texts.h"
#include "tests/support/test_env.h"

namespace {

// The nine kinds of the queryTest files; the same queries in each format. The update query's
// parameter reads "Text" under Jet 3 and "Text ( 255 )" later: "%T" stands for it.
const query_case query_test_cases[] = {
    {L"SelectQuery",
     L"SELECT DISTINCT Table1.*, Table2.col1, Table2.col2, Table3.col3\r\n"
     L"FROM (Table1 LEFT JOIN Table3 ON Table1.col1 = Table3.col1) INNER JOIN Table2 ON (Table3.col1 = "
     L"Table2.col1) AND (Table3.col1 = Table2.col2)\r\n"
     L"WHERE (((Table2.col2)=\"foo\" Or (Table2.col2) In (\"buzz\",\"bazz\")))\r\n"
     L"ORDER BY Table2.col1;\r\n"},
    {L"DeleteQuery",
     L"DELETE Table1.col1, Table1.col2, Table1.col3\r\n"
     L"FROM Table1\r\n"
     L"WHERE (((Table1.col1)>\"blah\"));\r\n"},
    {L"AppendQuery",
     L"INSERT INTO Table3 ( col2, col2, col3 )\r\n"
     L"SELECT [Table1].[col2], [Table2].[col2], [Table2].[col3]\r\n"
     L"FROM Table3, Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1];\r\n"},
    {L"UpdateQuery",
     L"PARAMETERS [User Name] %T;\r\n"
     L"UPDATE Table1 SET Table1.col1 = \"foo\", Table1.col2 = [Table2].[col3], [Table2].[col1] = [User Name]\r\n"
     L"WHERE ((([Table2].[col1]) Is Not Null));\r\n"},
    {L"MakeTableQuery",
     L"SELECT Max(Table2.col1) AS MaxOfcol1, Table2.col2, Table3.col2 INTO Table4\r\n"
     L"FROM (Table2 INNER JOIN Table1 ON Table2.col1 = Table1.col2) RIGHT JOIN Table3 ON Table1.col2 = "
     L"Table3.col3\r\n"
     L"GROUP BY Table2.col2, Table3.col2\r\n"
     L"HAVING (((Max(Table2.col1))=\"buzz\") AND ((Table2.col2)<>\"blah\"));\r\n"},
    {L"CrosstabQuery",
     L"TRANSFORM Count([Table2].[col2]) AS CountOfcol2\r\n"
     L"SELECT Table2_1.col1, [Table2].[col3], Avg(Table2_1.col2) AS AvgOfcol2\r\n"
     L"FROM (Table1 INNER JOIN Table2 ON [Table1].[col1]=[Table2].[col1]) INNER JOIN Table2 AS Table2_1 ON "
     L"[Table2].[col1]=Table2_1.col3\r\n"
     L"WHERE ((([Table1].[col1])>\"10\") And ((Table2_1.col1) Is Not Null) And ((Avg(Table2_1.col2))>\"10\"))\r\n"
     L"GROUP BY Table2_1.col1, [Table2].[col3]\r\n"
     L"ORDER BY [Table2].[col3]\r\n"
     L"PIVOT [Table1].[col1];\r\n"},
    {L"UnionQuery",
     L"Select Table1.col1, Table1.col2\r\n"
     L"where Table1.col1 = \"foo\"\r\n"
     L"UNION\r\n"
     L"Select Table2.col1, Table2.col2\r\n"
     L"UNION ALL Select Table3.col1, Table3.col2\r\n"
     L"where Table3.col3 > \"blah\";\r\n"},
    {L"PassthroughQuery", L"ALTER TABLE Table4 DROP COLUMN col5;"},
    {L"DataDefinitionQuery", L"CREATE TABLE Table5 (col1 CHAR, col2 CHAR);"},
};

struct file_case {
  const char* path;
  jet_text_dialect dialect;
  const wchar_t* text_parameter;
};

const file_case query_test_files[] = {
    {"access/jet3/queryTestV1997.mdb", jet_text_dialect::jet3, L"Text"},
    {"access/jet4/queryTestV2000.mdb", jet_text_dialect::jet4, L"Text ( 255 )"},
    {"access/ace/queryTestV2007.accdb", jet_text_dialect::jet4, L"Text ( 255 )"},
    {"access/ace/queryTestV2010.accdb", jet_text_dialect::jet4, L"Text ( 255 )"},
};

// The stored text uses CR LF where the user typed line breaks; mdb-export passes them through.
std::wstring normalise(std::wstring s) {
  std::wstring out;
  for (size_t i = 0; i < s.size(); ++i) {
    if (s[i] == L'\n' && (i == 0 || s[i - 1] != L'\r')) out += L'\r';
    out += s[i];
  }
  return out;
}

TEST(jet_query_text, every_kind_in_every_format) {
  for (const auto& file : query_test_files) {
    SCOPED_TRACE(file.path);
    auto queries = export_saved_queries(test_env::testdata_path(file.path));
    EXPECT_EQ(queries.size(), std::size(query_test_cases));
    for (const auto& c : query_test_cases) {
      SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
      auto rows = queries.find(c.name);
      ASSERT_NE(rows, queries.end());
      std::wstring expected = c.sql;
      if (auto p = expected.find(L"%T"); p != std::wstring::npos) expected.replace(p, 2, file.text_parameter);
      auto sql = jet_query_sql(rows->second, file.dialect);
      ASSERT_TRUE(sql.has_value());
      EXPECT_EQ(normalise(*sql), expected);
    }
  }
}

TEST(jet_query_text, northwind) {
  auto queries = export_saved_queries(test_env::testdata_path("access/real/nwind.mdb"));
  for (const auto& c : nwind_query_texts) {
    SCOPED_TRACE(testing::PrintToString(std::wstring(c.name)));
    auto rows = queries.find(c.name);
    ASSERT_NE(rows, queries.end());
    auto sql = jet_query_sql(rows->second, jet_text_dialect::jet3);
    ASSERT_TRUE(sql.has_value());
    EXPECT_EQ(normalise(*sql), c.sql);
  }
  for (const auto& [name, rows] : queries) {
    auto sql = jet_query_sql(rows, jet_text_dialect::jet3);
    EXPECT_TRUE(sql && sql->ends_with(L";\r\n")) << testing::PrintToString(name);
  }
}

jet_query_row row(int attribute, const wchar_t* expression, std::optional<int> flag, const wchar_t* name1 = nullptr,
                  const wchar_t* name2 = nullptr) {
  jet_query_row r;
  r.attribute = attribute;
  if (expression) r.expression = expression;
  r.flag = flag;
  if (name1) r.name1 = name1;
  if (name2) r.name2 = name2;
  return r;
}

// Select options no test file holds, and rows that form no query.
TEST(jet_query_text, select_options_and_bad_rows) {
  struct {
    std::vector<jet_query_row> rows;
    std::optional<std::wstring> sql;
  } cases[] = {
      {{row(jet_qa_type, nullptr, jet_qk_select), row(jet_qa_flags, nullptr, 0x31, L"25"),
        row(jet_qa_table, nullptr, std::nullopt, L"T"), row(jet_qa_column, L"T.a", 0, L"Some.Alias")},
       L"SELECT TOP 25 PERCENT T.a AS [Some.Alias], *\r\nFROM T;\r\n"},
      {{row(jet_qa_type, nullptr, jet_qk_select), row(jet_qa_flags, nullptr, 0x0E),
        row(jet_qa_table, nullptr, std::nullopt, L"Old Table", L"o"), row(jet_qa_column, L"o.a", 0)},
       L"SELECT DISTINCT o.a\r\nFROM [Old Table] AS o\r\nWITH OWNERACCESS OPTION;\r\n"},
      {{row(jet_qa_type, nullptr, jet_qk_select), row(jet_qa_table, nullptr, std::nullopt, L"Order"),
        row(jet_qa_table, nullptr, std::nullopt, L"2nd"), row(jet_qa_column, L"[Order].Date", 0, L"Group")},
       L"SELECT [Order].Date AS [Group]\r\nFROM [Order], [2nd];\r\n"},
      {{row(jet_qa_type, nullptr, jet_qk_make_table, L"New"), row(jet_qa_remote_db, nullptr, std::nullopt, L"x.mdb"),
        row(jet_qa_column, L"1", 0, L"one")},
       L"SELECT 1 AS one INTO New IN 'x.mdb';\r\n"},
      {{row(jet_qa_table, nullptr, std::nullopt, L"T")}, std::nullopt},
      {{row(jet_qa_type, nullptr, 42)}, std::nullopt},
  };
  for (const auto& c : cases) EXPECT_EQ(jet_query_sql(c.rows, jet_text_dialect::jet4), c.sql);
}

}  // namespace
