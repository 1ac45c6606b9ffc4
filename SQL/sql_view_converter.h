// Text rewrites that turn an Access select query into the body of a MySQL view.
// The live server and the dump file both use them, so both write the same view text.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <utility>
#include <vector>

class sql_view_converter {
 public:
  // Every run of CR, LF, TAB and blank outside quoted literals becomes one blank; text inside
  // '...' and "..." is copied unchanged. An empty text gives an empty text.
  static std::wstring collapse_blanks(const std::wstring& text);

  // pos is where a function name starts in text (-1: no match). True exactly when that name is
  // called with two arguments. Commas inside literals and nested calls are not arguments, so
  // isnull(f(a, b)) keeps its one argument and stays a test for NULL.
  static bool check_isnull_for_replace(const std::wstring& text, long pos);

  // Square-bracketed names become backticked ones; brackets inside literals are data and stay.
  static std::wstring brackets_to_backticks(const std::wstring& text);

  // Access functions that MySQL lacks or spells differently: IsNull(a, b) -> ifnull,
  // GetDate( -> curdate(, Len( -> CHAR_LENGTH( (Len counts characters, LENGTH bytes),
  // DateDiff("d", a, b) -> TIMESTAMPDIFF(DAY, a, b), two-argument DateAdd -> date_add and
  // Replicate -> repeat. Only whole words followed by "(" outside literals and quoted names are
  // function calls; a column named DateAdded or a text 'len(' is left alone.
  static std::wstring rewrite_functions(const std::wstring& text);

  // Jet SQL's own syntax in MySQL's words, for a text whose names are already backticked:
  // the statement's final ";" dropped, texts in single quotes with MySQL's escapes, #m/d/y#
  // dates as 'yyyy-mm-dd', Yes/No/True/False as TRUE/FALSE, DISTINCTROW dropped (Jet's
  // distinct source rows; MySQL's DISTINCTROW would drop equal result rows), TOP n as LIMIT n,
  // a & b (text concatenation, Null read as "") as CONCAT_WS('', a, b), and the conversions
  // CCur, CDbl, CStr, CDate as CASTs. Literals and quoted names are never rewritten.
  static std::wstring jet_syntax_to_mysql(const std::wstring& text);

  // The target column names of a table (unquoted), empty when they are not known.
  using column_lister = std::function<std::vector<std::wstring>(const std::wstring& table)>;

  // Jet names result columns of the same name after their tables ("Customers.CompanyName"),
  // MySQL refuses a view with two columns of one name. In the outer select list (backticked
  // names, as jet_syntax_to_mysql leaves them) such columns get Jet's names as aliases; a
  // t.* whose columns `columns_of` knows is spelled out when one of them collides.
  static std::wstring name_duplicate_columns(const std::wstring& text, const column_lister& columns_of);

  // The steps both targets take after their names are backticked: rewrite_functions, then
  // jet_syntax_to_mysql, then name_duplicate_columns. Without the final ";".
  static std::wstring mysql_view_body(const std::wstring& text, const column_lister& columns_of);

  // Why a query text cannot become a view (empty when it can): not a select statement
  // (parameters, crosstab and action queries), a make-table query (SELECT ... INTO), a
  // reference to a form or report, or TOP n PERCENT.
  static std::wstring view_refusal(const std::wstring& sql);

  // The order in which views can be created: a view comes after every other view of the list
  // whose name its text mentions (as a bare, bracketed or backticked name outside literals).
  // Views that do not depend on each other keep their order; a cycle keeps the given order.
  // Answers positions in views.
  static std::vector<std::size_t> dependency_order(const std::vector<std::pair<std::wstring, std::wstring>>& views);
};

// The columns recorded for a table, its name compared without regard to case; empty when none.
std::vector<std::wstring> sql_created_columns(const std::map<std::wstring, std::vector<std::wstring>>& tables,
                                              const std::wstring& table);
