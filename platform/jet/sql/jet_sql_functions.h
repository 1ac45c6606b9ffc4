// The Jet expression functions and aggregates, registered as SQLite functions, and the table
// the translator reads to map a Jet function name to its SQLite name and result type.
#pragma once

#include <string>

struct sqlite3;

struct jet_function_info {
  const wchar_t* name;      // Jet's name, matched without regard to case
  const char* sqlite_name;  // what the translator calls
  int min_args, max_args;
  // The result's DAO type: a jet_dao_type, or one of the rules below.
  int result;
  bool aggregate;
};

// Result rules beyond the fixed DAO types.
constexpr int jet_result_like_arg0 = -1;   // the type of the first argument
constexpr int jet_result_unify_args = -2;  // the wider type of the value arguments
constexpr int jet_result_sum = -3;         // Sum: integers widen to Long
constexpr int jet_result_avg = -4;         // Avg: Currency stays, others become Double

// The function of that Jet name, or null (DAO error 3085 for the caller).
const jet_function_info* jet_find_function(const std::wstring& name);

// Registers every function and aggregate, and the JETTEXT collation (Jet's text comparison).
// Answers SQLite's result code.
int jet_register_functions(sqlite3* db);

// Function failures reach SQLite as a message "jet:<DAO number>:<text>"; this splits one.
bool jet_split_function_error(const char* message, long& number, std::wstring& text);
