// Identifier validators: is a name acceptable to a target, is it taken in its scope, and how any
// name becomes a safe, unique one. Targets fill the rules; the base applies them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// Source name -> the name generated for it. Keys are kept as first added; lookups ignore case.
class t_names_map {
 public:
  // Records the pair; an existing key keeps its first generated name.
  void add(const std::wstring& source_name, const std::wstring& generated_name);

  // The generated name of the first key equal to source_name (ignoring case), else source_name.
  std::wstring get_mapped_name(const std::wstring& source_name) const;

 private:
  std::map<std::wstring, std::wstring> names_;
};

// One validator serves one scope (the tables of one database, the columns of one table...).
// Callers record every name they hand out with add_existing_name so later names avoid it.
class udb_validator {
 public:
  // max_length: longest acceptable name in characters; 0 means no limit.
  explicit udb_validator(std::uint32_t max_length);
  virtual ~udb_validator() = default;

  // Length, restricted words (any case) and illegal characters, tested in that order.
  virtual bool is_acceptable(const std::wstring& name);
  // True when the name equals (ignoring case) a name already used in this scope.
  virtual bool is_duplicated(const std::wstring& name);
  // Lower case, cut below the length limit, illegal characters as "_", then numbered
  // "%s%05d" from 00000 until acceptable and free. The result is not recorded.
  virtual std::wstring get_safe_name(const std::wstring& name);

  void add_existing_name(const std::wstring& name);
  void add_mapped_pair(const std::wstring& source_name, const std::wstring& safe_name);

  std::uint32_t max_length;
  t_names_map mapped_names;
  std::vector<wchar_t> illegal_chars;
  std::vector<std::wstring> restricted_names;
  std::vector<std::wstring> existing_names;
};
