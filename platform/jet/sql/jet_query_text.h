// The SQL text of a saved query, rebuilt from its rows in MSysQueries the way Access shows it.
// Jet keeps no text for designed queries: only these rows, from which QueryDef.SQL is made.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// One row of the system table MSysQueries. Every column but Attribute may be Null.
struct jet_query_row {
  std::int32_t object_id = 0;              // ObjectId: the query's Id in MSysObjects
  int attribute = 0;                       // Attribute: what the row describes (jet_query_attribute)
  std::optional<std::wstring> expression;  // Expression
  std::optional<int> flag;                 // Flag
  std::optional<std::wstring> name1;       // Name1
  std::optional<std::wstring> name2;       // Name2
};

// The values of the Attribute column.
enum jet_query_attribute : int {
  jet_qa_start = 0,
  jet_qa_type = 1,       // Flag: jet_query_kind; Name1: target table; Expression: SQL of DDL/pass-through
  jet_qa_parameter = 2,  // Name1: name; Flag: data type
  jet_qa_flags = 3,      // Flag: jet_select_flags; Name1: the TOP value
  jet_qa_remote_db = 4,  // Name1: database path; Expression: connect text
  jet_qa_table = 5,      // Name1: table or query; Name2: alias; Expression: SQL of a union part
  jet_qa_column = 6,     // Expression; Name1: alias; Name2: target column (append, update)
  jet_qa_join = 7,       // Name1, Name2: the joined tables; Expression: ON condition; Flag: kind
  jet_qa_where = 8,
  jet_qa_group_by = 9,
  jet_qa_having = 10,
  jet_qa_order_by = 11,  // Name1 "D": descending
  jet_qa_end = 255,
};

// Flag of the type row: the kind of query.
enum jet_query_kind : int {
  jet_qk_select = 1,
  jet_qk_make_table = 2,
  jet_qk_append = 3,
  jet_qk_update = 4,
  jet_qk_delete = 5,
  jet_qk_crosstab = 6,
  jet_qk_ddl = 7,
  jet_qk_pass_through = 8,
  jet_qk_union = 9,
};

// Bits of the Flag of the flags row.
enum jet_select_flags : int {
  jet_sf_all_fields = 0x01,  // "*" after the listed columns
  jet_sf_distinct = 0x02,    // for a union: UNION rather than UNION ALL
  jet_sf_owner_access = 0x04,
  jet_sf_distinct_row = 0x08,
  jet_sf_top = 0x10,
  jet_sf_percent = 0x20,
};

// Which engine's wording the text takes: Jet 3 names a text parameter "Text", later engines
// "Text ( 255 )".
enum class jet_text_dialect { jet3, jet4 };

// QueryDef.SQL of one query from its rows (any order; only rows of that query). Lines end with
// CR LF; the statement ends with ";" and CR LF as DAO hands it out, except data-definition and
// pass-through queries, whose stored text is returned as it is. Answers nothing when the rows
// hold no type row or an unknown kind.
std::optional<std::wstring> jet_query_sql(const std::vector<jet_query_row>& rows, jet_text_dialect dialect);

// A name as Access writes it in query text: in square brackets unless it is a plain word.
std::wstring jet_bracket_name(const std::wstring& name);
