// Calculated columns whose ResultType names no known type, through the Access source: their
// values are read by the column's stored type, and each one carries the reason the run reports.
#include <gtest/gtest.h>

#include <string>

#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "dao/dao_calculated_column.h"
#include "dao/dao_database.h"
#include "dao/dao_engine.h"
#include "platform/jet/jet_calculated.h"
#include "tests/console/altered_access_file.h"
#include "tests/support/test_env.h"

namespace {

TEST(dao_calculated, only_a_calculated_column_of_unknown_result_type_is_at_fault) {
  const struct {
    const wchar_t* expression;
    const wchar_t* result_type;
    bool fault;
  } cases[] = {
      {L"[Salary]/12", L"5", false},   // Currency
      {L"[Salary]/12", L"16", false},  // Decimal
      {L"[Salary]/12", L"66", true},
      {L"[Salary]/12", L"11", true},  // OLE is no result
      {L"[Salary]/12", L"x", true},
      {L"[Salary]/12", L"", false},  // no result type: not calculated
      {L"", L"66", false},           // every ACE column has a ResultType; without an expression it means nothing
  };
  for (const auto& c : cases) {
    const std::string fault = dao_result_type_fault(c.expression, c.result_type);
    EXPECT_EQ(!fault.empty(), c.fault) << tk_unicode_to_utf8(c.result_type) << ": " << fault;
    if (c.fault) {
      EXPECT_NE(fault.find(tk_unicode_to_utf8(c.result_type)), std::string::npos) << fault;
    }
  }
  // The Access source and the engine that decodes the values agree on which result types are known.
  for (int code = 1; code < 256; ++code)
    EXPECT_EQ(dao_result_type_fault(L"[a]", std::to_wstring(code)).empty(), jet::jet_known_result_type(code)) << code;
}

// People.Monthly holds Currency values under the Double type byte; with its ResultType made 66
// the values are read as Doubles, and every value that is there says why it may be wrong.
TEST(dao_calculated, values_of_an_unknown_result_type_are_read_by_the_type_byte_and_marked) {
  const std::string path = console_test::access_file_with_unknown_result_type(test_env::make_temp_dir());
  const std::wstring wide = tk_utf8_to_unicode(path);
  dao_engine engine(true, 0);
  engine.set_version_smart(wide);
  std::unique_ptr<udb_database> db = engine.open_db(wide, dao_open_read_only, L"");
  ASSERT_NE(db, nullptr);
  std::unique_ptr<udb_recordset> rs = db->get_table(L"People", 1);
  ASSERT_NE(rs, nullptr);
  const t_ftd* monthly = rs->schema.get_field1(L"Monthly");
  ASSERT_NE(monthly, nullptr);
  EXPECT_EQ(monthly->vartype, VT_R8);
  std::size_t rows = 0;
  for (rs->reset(); !rs->is_eof(); rs->next(), ++rows) {
    SCOPED_TRACE("row " + std::to_string(rows + 1));
    const udb_record* row = rs->get_item();
    ASSERT_NE(row, nullptr);
    for (const auto& f : row->fields) {
      if (f->name != L"Monthly") {
        EXPECT_EQ(f->kept_as_stored, "") << tk_unicode_to_utf8(f->name);
        continue;
      }
      EXPECT_EQ(f->get_type(), VT_R8);
      EXPECT_NE(f->kept_as_stored.find("ResultType 66 names no known type"), std::string::npos) << f->kept_as_stored;
    }
  }
  EXPECT_EQ(rows, 4u);
}

}  // namespace
