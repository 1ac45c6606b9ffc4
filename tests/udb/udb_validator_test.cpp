// Name validators: acceptance rules, duplicates and the safe unique names they make.
#include "UDB/udb_validator.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "TK/tk_exception.h"

namespace {

// A validator as a target fills it: a length limit, some illegal characters, reserved words.
udb_validator make_validator(std::uint32_t max_length) {
  udb_validator v(max_length);
  v.illegal_chars = {L'/', L'.'};
  v.restricted_names = {L"select"};
  return v;
}

TEST(udb_validator, acceptance) {
  struct {
    std::uint32_t max_length;
    std::wstring name;
    bool acceptable;
  } cases[] = {
      {64, std::wstring(64, L'a'), true},
      {64, std::wstring(65, L'a'), false},
      {0, std::wstring(5000, L'a'), true},  // no limit
      {64, L"", true},
      {64, L"SELECT", false},  // restricted in any case
      {64, L"selection", true},
      {64, L"a/b", false},
      {64, L"a.b", false},
      {64, L"Größe", true},
  };
  for (const auto& c : cases) {
    udb_validator v = make_validator(c.max_length);
    EXPECT_EQ(v.is_acceptable(c.name), c.acceptable) << c.max_length;
  }
}

TEST(udb_validator, duplicates_ignore_case) {
  udb_validator v = make_validator(64);
  v.add_existing_name(L"Orders");
  EXPECT_TRUE(v.is_duplicated(L"ORDERS"));
  EXPECT_TRUE(v.is_duplicated(L"orders"));
  EXPECT_FALSE(v.is_duplicated(L"Orders2"));
}

TEST(udb_validator, safe_names) {
  struct {
    const char* what;
    std::uint32_t max_length;
    std::vector<std::wstring> existing;
    std::wstring name;
    std::wstring safe;
  } cases[] = {
      {"free name in lower case", 64, {}, L"Orders", L"orders"},
      {"too long: cut below the limit", 64, {}, std::wstring(65, L'X'), std::wstring(63, L'x')},
      {"taken: numbered", 64, {L"order"}, L"Order", L"order00000"},
      {"numbering goes on", 64, {L"order", L"order00000"}, L"Order", L"order00001"},
      {"taken at the limit: cut for the digits", 10, {L"abcdefghij"}, L"ABCDEFGHIJ", L"abcd00000"},
      {"illegal characters become _", 64, {}, L"a/b.c", L"a_b_c"},
      {"restricted word: numbered", 64, {}, L"Select", L"select00000"},
      {"no limit: no cutting",
       0,
       {std::wstring(300, L'n')},
       std::wstring(300, L'N'),
       std::wstring(300, L'n') + L"00000"},
      {"only ASCII letters are lowered", 64, {}, L"ÄRGER", L"Ärger"},
  };
  for (const auto& c : cases) {
    udb_validator v = make_validator(c.max_length);
    for (const auto& e : c.existing) v.add_existing_name(e);
    EXPECT_EQ(v.get_safe_name(c.name), c.safe) << c.what;
    EXPECT_EQ(v.existing_names.size(), c.existing.size()) << c.what << ": the caller records it";
  }
}

// A subclass's own rule takes part in get_safe_name through the virtual tests.
class no_digit_start_validator : public udb_validator {
 public:
  no_digit_start_validator() : udb_validator(64) {}
  bool is_acceptable(const std::wstring& name) override {
    return !(name.size() > 0 && name[0] >= L'0' && name[0] <= L'9') && udb_validator::is_acceptable(name);
  }
};

TEST(udb_validator, subclass_rules_apply_to_safe_names) {
  no_digit_start_validator v;
  EXPECT_EQ(v.get_safe_name(L"Orders"), L"orders");
  // No numbered form can repair a leading digit: an internal error, never a refused name.
  EXPECT_THROW(v.get_safe_name(L"2024"), tk_mail_assertion);
}

TEST(udb_validator, exhausted_numbering_is_an_internal_error) {
  udb_validator v(4);  // too short for any numbered form
  v.add_existing_name(L"ab");
  EXPECT_THROW(v.get_safe_name(L"ab"), tk_mail_assertion);
}

TEST(t_names_map, first_mapping_is_kept_and_lookup_ignores_case) {
  t_names_map m;
  m.add(L"Order Details", L"order_details");
  m.add(L"Order Details", L"other");
  EXPECT_EQ(m.get_mapped_name(L"ORDER DETAILS"), L"order_details");
  EXPECT_EQ(m.get_mapped_name(L"Customers"), L"Customers");
}

}  // namespace
