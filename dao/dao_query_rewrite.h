// The rewrite of an Access query's SQL towards MySQL for a view: Access-only operators and
// function names replaced by MySQL's, never inside string literals or bracketed names.
#pragma once

#include <string>

// Every occurrence of `pattern` (ignoring case) outside string literals and bracketed names
// becomes `replacement`; a pattern that begins with "]" may begin at a name's closing bracket.
void dao_replace_all(std::wstring& text, const std::wstring& pattern, const std::wstring& replacement);

// Every call of function `name` (ignoring case) outside string literals and bracketed names
// becomes a call of `replacement`: the name must be a whole word followed, after optional blanks
// and line breaks, by "(". Sort keywords, aliases and column names of the same spelling stay.
void dao_replace_function(std::wstring& text, const std::wstring& name, const std::wstring& replacement);

// The whole rewrite: "]![" to "].[", the Access functions to their MySQL names, "<>" to "!=",
// and "WITH OWNERACCESS OPTION" removed.
std::wstring dao_rewrite_query_sql(const std::wstring& sql);
