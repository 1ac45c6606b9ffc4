// Custom conversion rules: nothing applies without a registry; the first accepting rule decides.
#include "UDB/udb_custom_conversion.h"

#include <gtest/gtest.h>

#include "TK/tk_exception.h"
#include "UDB/udb_field.h"
#include "UDB/udb_schema.h"

namespace {

class fixed_rule : public udb_conversion_rule {
 public:
  fixed_rule(bool accepts, std::wstring text) : accepts_(accepts), text_(std::move(text)) {}
  bool accepts_value(const udb_field&) override { return accepts_; }
  bool accepts_column(const t_ftd&) override { return accepts_; }
  std::wstring convert_value(const udb_field&) override { return text_ + L" value"; }
  std::wstring convert_column(const t_ftd&) override { return text_ + L" column"; }

 private:
  bool accepts_;
  std::wstring text_;
};

const t_ftd column(4, L"c", VT_I4, false, false, ole_variant(), 0, L"");
const udb_field value(L"c", 4, ole_variant(1), false, false);

TEST(udb_custom_conversion, without_registry_nothing_applies) {
  EXPECT_FALSE(udb_custom_conversion::is_acceptable1(column));
  EXPECT_FALSE(udb_custom_conversion::is_acceptable2(value));
  EXPECT_EQ(udb_custom_conversion::handle1(column), L"");
  EXPECT_EQ(udb_custom_conversion::handle2(value), L"");
}

TEST(udb_custom_conversion, first_accepting_rule_wins) {
  udb_custom_conversion registry;
  EXPECT_FALSE(udb_custom_conversion::is_acceptable1(column));  // empty registry
  EXPECT_EQ(udb_custom_conversion::handle2(value), L"");
  registry.add_rule(std::make_unique<fixed_rule>(false, L"never"));
  EXPECT_FALSE(udb_custom_conversion::is_acceptable2(value));
  EXPECT_EQ(udb_custom_conversion::handle1(column), L"");
  EXPECT_THROW(udb_custom_conversion::handle2(value), tk_mail_assertion);  // ask first
  registry.add_rule(std::make_unique<fixed_rule>(true, L"first"));
  registry.add_rule(std::make_unique<fixed_rule>(true, L"second"));
  EXPECT_TRUE(udb_custom_conversion::is_acceptable1(column));
  EXPECT_TRUE(udb_custom_conversion::is_acceptable2(value));
  EXPECT_EQ(udb_custom_conversion::handle1(column), L"first column");
  EXPECT_EQ(udb_custom_conversion::handle2(value), L"first value");
}

}  // namespace
