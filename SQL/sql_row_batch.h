// The rows of one batch as INSERT text: each row's number and its values "(v1, v2, ...)", the
// values of all rows one after another in one text, so that a batch costs a few allocations
// rather than one a row.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class sql_row_batch {
 public:
  std::size_t size() const { return numbers_.size(); }
  bool empty() const { return numbers_.empty(); }
  // The row's number, counted from 1 in the order rows were appended to the table object.
  std::uint64_t number(std::size_t k) const { return numbers_[k]; }
  std::string_view values(std::size_t k) const {
    const std::size_t begin = k == 0 ? 0 : ends_[k - 1];
    return std::string_view(text_).substr(begin, ends_[k] - begin);
  }
  // The bytes of the rows' values in a multi-row INSERT, with the ", " between them.
  std::size_t bytes() const { return empty() ? 0 : text_.size() + 2 * (size() - 1); }
  // The rows as one multi-row INSERT: head (INSERT INTO `t`(`a`, ...)), " VALUES" and each
  // row's values, separated by ", ".
  std::string insert_statement(const std::string& head) const {
    std::string statement = head + " VALUES";
    statement.reserve(statement.size() + bytes());
    for (std::size_t k = 0; k < size(); ++k) {
      if (k > 0) statement += ", ";
      statement += values(k);
    }
    return statement;
  }
  void add(std::uint64_t number, std::string_view values) {
    numbers_.push_back(number);
    text_ += values;
    ends_.push_back(text_.size());
  }
  // Room for about as many rows as other has, of at most bytes of text in all.
  void reserve_like(const sql_row_batch& other, std::size_t bytes) {
    numbers_.reserve(other.numbers_.size());
    ends_.reserve(other.ends_.size());
    text_.reserve(bytes);
  }
  // Empties the batch, keeping its room.
  void clear() {
    numbers_.clear();
    ends_.clear();
    text_.clear();
  }

 private:
  std::vector<std::uint64_t> numbers_;
  std::vector<std::size_t> ends_;
  std::string text_;
};
