// One named value of a row (udb_field) and one row (udb_record): the currency in which every
// source hands its rows to every target.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "OLE/ole_variant.h"

// A value with the column's name, declared size and flags. Sources and targets derive their own
// fields from it.
class udb_field : public ole_variant {
 public:
  udb_field();
  udb_field(const std::wstring& name, std::uint32_t size, const ole_variant& value, bool not_null, bool auto_increment);
  udb_field(const udb_field& that);
  udb_field& operator=(const udb_field& that) = default;
  ~udb_field() override = default;

  // The VARTYPE of the held value.
  virtual VARTYPE get_type() const;
  // Size for row-size accounting: element count of a byte array, length of a text, otherwise
  // the declared size.
  std::uint32_t get_size() const;

  std::uint32_t size = 0;  // declared size (the column size the source reported)
  std::wstring name;
  bool not_null = false;
  bool auto_increment = false;
  // Why the value is the source's stored bytes rather than what they were meant to hold (UTF-8,
  // for the run's report); empty for a value read as meant.
  std::string kept_as_stored;
  // The source's date or time held a fraction of a second that the value no longer holds: the
  // target's date columns keep whole seconds, and a rounded value could move to the next day.
  bool fraction_dropped = false;
};

// One row: an ordered list of fields that the record owns. Names are looked up ignoring case;
// the first of equal names wins, and duplicates are not prevented.
class udb_record {
 public:
  udb_record() = default;
  udb_record(const udb_record&) = delete;
  udb_record& operator=(const udb_record&) = delete;
  virtual ~udb_record();

  // Takes ownership; the field keeps its place in append order.
  void append(std::unique_ptr<udb_field> field);
  bool find_field(const std::wstring& name) const;
  // The first field of that name, or null.
  udb_field* get_field(const std::wstring& name) const;
  // The field of exactly that name; else the one field whose name equals it ignoring case.
  // Null when there is none, or when several differ from it only in case: a row may hold
  // columns whose names differ only in case, and each value must go to its own column.
  udb_field* get_field_exact(const std::wstring& name) const;
  // Sum of get_size over the fields that hold a value; what targets hold against their row limit.
  std::int32_t get_total_size() const;

  std::vector<std::unique_ptr<udb_field>> fields;
};
