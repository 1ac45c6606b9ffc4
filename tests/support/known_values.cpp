// The values of the test data's README for the files whose reference is "expected".
#include "tests/support/known_values.h"

#include <cstdlib>

namespace test_env {

namespace {

const known_table calculated_people = {
    "People",
    {{"FullName",
      {"Lovelace, Ada", "Hopper, Grace", "Zo\xC3\xAB \xE2\x9C\x93 \xF0\x9F\x98\x80, \xC3\x89mile",
       "O'Brien \\ \"x\", "}},
     {"NameLen", {"3", "5", "5", "0"}},
     {"Monthly", {"83333.3333", "-0.125", "0", "10288.0658"}},
     {"Weekly", {"19230.76923076923", "-0.028846153846153848", "0", "2374.169021153846"}},
     {"IsRich", {"1", "0", "0", "1"}},
     {"Bonus", {"12500", "-0.0188", "0", "1543.2099"}},
     {"Review", {"1844-07-01 00:00:00", "1945-08-07 09:30:00", "2021-02-28 23:59:59", nullptr}},
     {"Notes",
      {"Ada Lovelace joined", "Grace Hopper joined", "\xC3\x89mile Zo\xC3\xAB \xE2\x9C\x93 \xF0\x9F\x98\x80 joined",
       " O'Brien \\ \"x\" joined"}}}};

std::string without_trailing_zeros(std::string v) {
  if (v.find('.') == std::string::npos || v.find('e') != std::string::npos) return v;
  while (v.back() == '0') v.pop_back();
  if (v.back() == '.') v.pop_back();
  return v == "-0" ? "0" : v;
}

}  // namespace

const known_table* known_values_of(const std::string& path) {
  // The second file holds the same values; only the definition's type of Monthly differs.
  if (path == "fixtures/calcColumnsV2010.accdb" || path == "fixtures/calcResultTypeV2010.accdb")
    return &calculated_people;
  return nullptr;
}

const known_column* known_column_of(const known_table& table, const std::string& name) {
  for (const known_column& c : table.columns)
    if (name == c.name) return &c;
  return nullptr;
}

bool is_known_value(const known_column& column, const std::string& expected, const std::string& got) {
  if (std::string(column.name) == "Weekly")
    return std::strtod(got.c_str(), nullptr) == std::strtod(expected.c_str(), nullptr);
  return without_trailing_zeros(got) == expected;
}

}  // namespace test_env
