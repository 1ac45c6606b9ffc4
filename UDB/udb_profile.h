// The settings profile: named sections of key=value pairs and named lists of lines, read from
// and written to a UTF-8 text file. Which keys a profile holds is the converter's business.
#pragma once

#include <map>
#include <string>
#include <utility>
#include <vector>

class udb_profile {
 public:
  using pairs = std::vector<std::pair<std::wstring, std::wstring>>;
  using lines = std::vector<std::wstring>;

  // Every profile has the four standard sections, empty at first and always written.
  udb_profile();

  // Appends; keys in a section are neither unique nor sorted.
  void add_value(const std::wstring& section, const std::wstring& key, const std::wstring& value);
  void add_section(const std::wstring& name);
  void add_list_item(const std::wstring& list, const std::wstring& text);

  // Value of the first pair with that key (exact); empty when the section or key is missing.
  std::wstring get_value(const std::wstring& section, const std::wstring& key) const;
  // The named list, created empty when missing.
  lines& get_list(const std::wstring& name);
  pairs& get_available_queries();
  pairs& get_selected_tables();
  pairs& get_selected_views();

  // Longest line load reads, in bytes with its line end.
  static constexpr std::size_t max_line = 1048576;

  // Adds what the file holds to this profile. A missing file throws tk_exception (kind 1)
  // "Profile does not exist. Please verify the correct path/name was given.", one that is not a
  // regular file, or a line longer than max_line, throws tk_exception (kind 1) too; an
  // unreadable file, or a pair or line before the first section header, answers false. CR LF
  // and LF line ends both read as one line end. A value is everything after the first "=",
  // blanks at either end included. Every line of a section, with or without "=", is also kept
  // verbatim in the section's list.
  bool load(const std::wstring& path);
  // Replaces the file with this profile (UTF-8, CR LF line ends). A section and a list of one
  // name that hold the same lines, as load leaves every section, are written as one block, so
  // a profile loaded and stored again reads back as it was. The text goes to a temporary
  // file in the same folder that is renamed over the old one only once every write and the
  // close succeeded, so a failed save answers false and leaves the previous profile intact.
  bool store(const std::wstring& path) const;

  // Section name -> pairs in the order added; list name -> lines kept verbatim.
  std::map<std::wstring, pairs> sections;
  std::map<std::wstring, lines> lists;
};
