// A small YAML-like list file: "key:" lines, each followed by "- value" lines, read into a map of
// keys to their values in file order. Used for the wizard's type-mapping files.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

class tk_yaml_config {
 public:
  using value_map = std::map<std::wstring, std::vector<std::wstring>>;

  // Adds the file's values to the map, dropping those in `exclusions` (exact match). False when
  // the file cannot be opened (the map unchanged); a text that is not UTF-8 raises the conversion
  // error of tk_utf8_to_unicode. Lines end in LF or CR LF.
  bool load(const char* path, const std::set<std::wstring>& exclusions);

  const value_map& values() const { return map_; }

 private:
  value_map map_;
};
