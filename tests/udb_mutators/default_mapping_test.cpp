// The default mapping the column editor starts from: a column edited in nothing but its name must
// come out of the mutator as the conversion makes it unedited, with its type, size and default.
#include <gtest/gtest.h>

#include "SQL/sql_engine.h"
#include "SQL/sql_types.h"
#include "SQL/sql_values.h"
#include "common/sql_db_mutator.h"

namespace {

TEST(DefaultMapping, RenamedOnlyColumnKeepsTypeAndDefault) {
  sql_engine engine;
  struct Case {
    const char* name;
    t_ftd column;
  } cases[] = {
      {"text with default", {40, L"City", VT_BSTR, false, false, ole_variant(L"Seattle"), 0, L""}},
      {"text quoting", {40, L"Note", VT_BSTR, false, false, ole_variant(L"it's"), 0, L""}},
      {"currency", {8, L"Price", VT_CY, false, false, ole_variant(L"0"), 0, L""}},
      {"integer", {4, L"Count", VT_I4, false, false, ole_variant(L"5"), 0, L""}},
      {"date", {8, L"Day", VT_DATE, false, false, ole_variant(L"2001-02-03"), ftd_marker_date, L""}},
      // Dates of no known kind are written as text of 19 characters, not of the date's 8 bytes.
      {"date as text", {8, L"When", VT_DATE, false, false, ole_variant(), 0, L""}},
  };
  cases[2].column.precision = 0;
  for (Case& c : cases) {
    SCOPED_TRACE(c.name);
    sql_db_mutator db;
    sql_native_type native;
    db.get_default_native_type(c.column, native);
    native.type = native.type.substr(0, native.type.find(L'('));
    sql_table_mutator* table = db.get_table_mutator2(L"T", L"T");
    table->update_field(c.column.name, c.column.name + L"_new", native);
    udb_schema schema(false);
    schema.fields = {&c.column};
    table->modify1(schema);
    ASSERT_EQ(schema.fields.size(), 1u);
    const t_ftd& mutated = *schema.fields[0];
    EXPECT_EQ(mutated.name, c.column.name + L"_new");
    EXPECT_EQ(mutated.native_type, get_sql_native_type2(c.column, false));
    EXPECT_EQ(make_mysql_def_val(&mutated), make_mysql_def_val(&c.column));
  }
}

}  // namespace
