// Rows as LOAD DATA reads them by default (fields ended by a tab, rows by a newline, backslash
// escapes), made from the SQL literals the INSERT statements of the same rows would carry.
#pragma once

#include <string>
#include <string_view>

// Appends the field LOAD DATA reads as the value `literal` gives in an INSERT: NULL, a quoted
// text, a 0x hexadecimal string or a number. A number in any form goes to a numeric column,
// which reads its text the way the server reads the literal; another column only takes a plain
// one. False, with out unchanged, for any other literal (an expression, a text with escapes the
// writers never make): its row must go as INSERT.
bool sql_rows_text_field(std::string_view literal, bool numeric_column, std::string& out);
