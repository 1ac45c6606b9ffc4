// Text rewrites that turn an Access select query into the body of a MySQL view.
// The live server and the dump file both use them, so both write the same view text.
#pragma once

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

  // The order in which views can be created: a view comes after every other view of the list
  // whose name its text mentions (as a bare, bracketed or backticked name outside literals).
  // Views that do not depend on each other keep their order; a cycle keeps the given order.
  // Answers positions in views.
  static std::vector<std::size_t> dependency_order(
      const std::vector<std::pair<std::wstring, std::wstring>>& views);
};
