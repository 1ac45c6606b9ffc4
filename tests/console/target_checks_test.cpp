// Whether a character set or storage engine is one the target offers.
#include <gtest/gtest.h>

#include "console/target_checks.h"

namespace {

TEST(TargetChecks, NamesAreLookedUpIgnoringCaseAndDescriptions) {
  const std::vector<std::wstring> mariadb = {L"latin1 - cp1252 West European", L"utf8mb3 - UTF-8 Unicode",
                                             L"utf8mb4 - UTF-8 Unicode"};
  const std::vector<std::wstring> old_server = {L"latin1 - cp1252 West European", L"utf8 - UTF-8 Unicode"};
  const std::vector<std::wstring> engines = {L"InnoDB", L"MyISAM", L"Aria"};
  struct row {
    const wchar_t* name;
    const std::vector<std::wstring>& known;
    bool listed;
  } rows[] = {
      {L"latin1", mariadb, true},      {L"LATIN1", mariadb, true},  {L"utf8mb4", mariadb, true},
      {L"utf8", mariadb, true},        {L"utf8", old_server, true}, {L"utf8mb3", old_server, false},
      {L"utf16", mariadb, false},      {L"", mariadb, false},       {L"latin1 - cp1252 West European", mariadb, false},
      {L"latin1;", mariadb, false},    {L"innodb", engines, true},  {L"InnoDB ", engines, false},
      {L"BerkeleyDB", engines, false},
  };
  for (const row& r : rows) EXPECT_EQ(is_listed(r.name, r.known), r.listed) << std::wstring(r.name).size();
}

}  // namespace
