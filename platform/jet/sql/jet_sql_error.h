// A DAO error as the Jet SQL layer reports it: DAO's number and a description in DAO's words.
// Inside the layer it travels as an exception; the engine's interface hands it out as a value.
#pragma once

#include <exception>
#include <string>

struct jet_sql_error {
  long number = 0;  // 0: no error
  std::wstring description;
};

// The DAO error numbers this layer raises.
enum jet_error_number : long {
  jet_err_invalid_operation = 3219,   // an action or data-definition query opened as rows
  jet_err_too_few_parameters = 3061,  // parameters, form references, unknown names
  jet_err_undefined_function = 3085,
  jet_err_syntax_expression = 3075,  // syntax error in an expression
  jet_err_syntax_from = 3131,        // syntax error in the FROM clause
  jet_err_invalid_statement = 3129,  // the text is no statement Jet knows
  jet_err_syntax_statement = 3141,   // a SELECT whose clauses do not fit together
  jet_err_characters_after_end = 3142,
  jet_err_no_input_table = 3078,  // unknown table or query
  jet_err_ambiguous_field = 3079,
  jet_err_type_mismatch = 3464,
  jet_err_circular_reference = 3103,
  jet_err_too_complex = 3360,
  jet_err_aggregate_in_where = 3096,
  jet_err_union_columns = 3307,
  jet_err_syntax_order_by = 3138,
  jet_err_engine = 3001,  // SQLite refused what we gave it
};

class jet_sql_exception : public std::exception {
 public:
  jet_sql_exception(long number, std::wstring description) : error_{number, std::move(description)} {}
  const jet_sql_error& error() const { return error_; }
  const char* what() const noexcept override { return "jet error"; }

 private:
  jet_sql_error error_;
};

[[noreturn]] inline void jet_sql_raise(long number, std::wstring description) {
  throw jet_sql_exception(number, std::move(description));
}
