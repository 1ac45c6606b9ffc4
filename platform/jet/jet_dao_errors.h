// The engine's Errors collection: the DAO errors of the last failing call, with DAO's numbers and
// texts. Every object of one engine reports into the same list.
#pragma once

#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/jet/dao.h"

namespace dao_impl {

// DAO error numbers this engine reports.
enum dao_error_number : long {
  dao_err_no_current_record = 3021,
  dao_err_duplicate_key = 3022,
  dao_err_file_not_found = 3024,
  dao_err_workgroup_missing = 3028,
  dao_err_bad_account = 3029,
  dao_err_bad_password = 3031,
  dao_err_invalid_argument = 3001,
  dao_err_not_a_database = 3343,
  dao_err_corrupt = 3049,
  dao_err_damaged = 3428,
  dao_err_input_not_found = 3078,
  dao_err_invalid_operation = 3219,
  dao_err_not_supported = 3251,
  dao_err_item_not_found = 3265,
  dao_err_property_not_found = 3270,
  dao_err_object_closed = 3420,
  dao_err_read_only = 3027,
  dao_err_record_too_large = 3047,
};

// DAO's text for `number`, with each '|' replaced by `argument`.
std::wstring dao_error_text(long number, const std::wstring& argument);

// The texts of dao_err_damaged: a file whose format was recognised but whose pages are not all
// there or not what they should be, and `what` could not be read.
std::wstring dao_damaged_file_text(const std::wstring& path, const std::wstring& what);
std::wstring dao_damaged_table_text(const std::wstring& table, const std::wstring& what);

struct dao_error_entry {
  long number = 0;
  std::wstring description;
  std::wstring source;
};

class dao_error_list {
 public:
  // Replaces the list by one error and answers the HRESULT that reports it.
  HRESULT fail(long number, const std::wstring& argument = std::wstring());
  // The same with a description made elsewhere (the query engine words its own errors).
  HRESULT fail_described(long number, const std::wstring& description);
  std::vector<dao_error_entry> snapshot() const;

 private:
  mutable std::mutex mutex_;
  std::vector<dao_error_entry> errors_;
};

using error_sink = std::shared_ptr<dao_error_list>;

// The Errors collection over a snapshot of the list.
DAOErrors* make_errors(const dao_error_list& list);

}  // namespace dao_impl
