// A named set of text settings that an object publishes: the base of the user's column, table
// and database rules, and what an engine is given to take its storage engine and character set.
#pragma once

#include <map>
#include <string>

class udb_properties {
 public:
  using property_map = std::map<std::wstring, std::wstring>;

  virtual ~udb_properties() = default;

  // The settings, names compared exactly. An override may refill the map before handing it out.
  virtual property_map& get_properties() { return properties_; }
  // The child set known under that source name or that target name; null when there is none
  // (a column has no children).
  virtual udb_properties* get_by_source_name(const std::wstring& name) = 0;
  virtual udb_properties* get_by_target_name(const std::wstring& name) = 0;

 protected:
  property_map properties_;
};
