// How the data model compares names of tables, columns, indexes and foreign keys.
// One home for the rule, so every lookup folds case the same way and sees the same word boundaries.
#pragma once

#include <string_view>

// True when both names are equal ignoring case (the user-default, case-ignoring comparison of
// the platform; equal length is required). Names of tables, columns, indexes and foreign keys
// compare this way throughout the system.
bool udb_same_name(std::wstring_view a, std::wstring_view b);

// True for a letter or digit of any script, or the underscore: the characters of one bare name
// in SQL text. orders_2 is one name, so a rename of orders must leave it whole.
bool udb_is_name_char(wchar_t c);
