// Values as MySQL literal text (INSERT/UPDATE values, DEFAULT clauses) and MySQL result data back
// into values. Free functions without state; they read the sql_engine singleton's flags and version.
#pragma once

#include <cstdint>
#include <string>

#include "platform/oleaut/oaidl.h"

class t_ftd;
class udb_field;
class ole_variant;

// The SQL literal of a text that stands for a value of kind vt: NULL for the null kinds, '' for
// empty text, text and dates quoted and escaped, numbers bare when the text is a numeric literal
// (quoted and escaped otherwise, so that the server refuses the value instead of running it),
// binary as hexadecimal or decimal digits when it is one (quoted and escaped otherwise).
// guid_column: the value goes to a text column that holds GUIDs, whose texts are normalised.
std::string to_mysql_str(const std::string& text, VARTYPE vt, bool guid_column = false);
std::wstring to_mysql_wstr(const std::wstring& text, VARTYPE vt, bool guid_column = false);

// The SQL literal of a field's value; byte arrays as 0x and upper-case hexadecimal, NULL when
// empty or an unstorable number. A null field is an internal error.
std::string to_mysql_str(const udb_field* field);

// The UTF-8 value text of one field for an INSERT, UPDATE or key condition into the column that
// descriptor describes: NULL, the column's default for a NOT NULL column, geometry, "?" for a
// prepared statement's over-large value. Null pointers are internal errors.
std::string get_fld_append_str(const udb_field* field, const t_ftd* descriptor, bool prepared);

// The text that follows " DEFAULT " for a column; empty for no DEFAULT clause. Current-date and
// current-time defaults follow the server version (sql_engine singleton).
std::wstring make_mysql_def_val(const t_ftd* descriptor);

// A value of kind vt built from text; a null text gives VT_EMPTY. A numeric text reads as a
// boolean by its value; any other non-empty text is true (a BIT column's byte 1).
ole_variant get_variant(VARTYPE vt, const char* text);
ole_variant get_variant(VARTYPE vt, const wchar_t* text);

// A value from one column of a MySQL result row: its client-library type code, data length in
// bytes (wide: in characters), field flags and data (null for SQL NULL). Wide data is text the
// caller already widened; its binary values are the low bytes of each character.
ole_variant get_variant(int mysql_type, unsigned long length, unsigned flags, const char* data);
ole_variant get_variant(int mysql_type, unsigned long length, unsigned flags, const wchar_t* data);

// True for a Single or Double NaN or infinity: no MySQL column holds one, so the writers put
// NULL (or a NOT NULL column's default) in its place and the driver reports the loss.
bool sql_is_unstorable_number(const ole_variant& value);

// The kinds that hold bytes: VT_BLOB, VT_BLOB_OBJECT and VT_ARRAY|VT_UI1.
bool sql_is_binary_kind(VARTYPE vt);

// True when text is a plain decimal number MySQL reads as one: [+-]digits[.digits][e[+-]digits].
bool sql_is_numeric_literal(const std::string& text);
