// The foreign-key plan both targets carry out, as a table of relationships and targets: the
// statements in order, and the reason for each relationship left out.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "SQL/sql_fk_plan.h"
#include "SQL/sql_validators.h"
#include "UDB/udb_names_map.h"
#include "UDB/udb_relationship.h"

namespace {

udb_relationship fk(const wchar_t* name, const wchar_t* table, const wchar_t* ref_table,
                    std::vector<std::wstring> fields, std::vector<std::wstring> ref_fields,
                    const wchar_t* properties = L"") {
  return udb_relationship(name, L"", table, ref_table, std::move(fields), std::move(ref_fields), properties);
}

udb_index index_on(const wchar_t* name, std::vector<std::wstring> fields, bool primary = false) {
  udb_index index(name, primary, primary);
  index.fields = std::move(fields);
  return index;
}

// Orders(ID key), Lines(Order, Pos; an index on Order, Pos), order_lines (the target of the
// source table "Order Lines", whose column "Order*" became "order_"), and Notes, a table whose
// "Body" cannot be in a key and whose Code, Title and Place together are 8 bytes too long
// for one.
sql_fk_target shop() {
  sql_fk_target target;
  target.tables = {L"Orders", L"Lines", L"order_lines", L"Notes"};
  target.indexes[L"Orders"].push_back(index_on(L"PrimaryKey", {L"ID"}, true));
  target.indexes[L"Lines"].push_back(index_on(L"ByOrder", {L"Order", L"Pos"}));
  target.key_room[L"Notes"].max_key_bytes = 3072;
  target.key_room[L"Notes"].column_bytes = {{L"Code", 1020}, {L"Title", 1020}, {L"Place", 1040}, {L"Ref", 4}};
  return target;
}

udb_names_map shop_names() {
  udb_names_map names;
  names.add_tn_mapping(L"Order Lines", L"order_lines");
  names.add_fn_map(L"order_lines", {{L"Order*", L"order_"}});
  return names;
}

// The plan as lines: each statement, and "left out <n>: <reason>" for each one left out.
std::vector<std::wstring> plan_lines(const udb_relationships& relationships, const sql_fk_target& target) {
  sql_new_in_validator constraint_names{udb_indexes()};
  const sql_fk_plan plan = sql_plan_foreign_keys(relationships, shop_names(), target, constraint_names);
  std::vector<std::wstring> lines;
  for (const sql_fk_step& step : plan.steps) lines.push_back(step.statement);
  for (const sql_fk_left_out& left : plan.left_out)
    lines.push_back(L"left out " + std::to_wstring(left.relationship) + L": " + left.reason);
  return lines;
}

struct plan_case {
  const char* what;
  udb_relationships relationships;
  std::vector<std::wstring> expected;
};

udb_relationships list(std::initializer_list<udb_relationship> items) {
  udb_relationships out;
  for (const udb_relationship& r : items) out.push_back(r);
  return out;
}

TEST(SqlFkPlan, StatementsAndLeftOutRelationships) {
  const plan_case cases[] = {
      {"the referencing columns lead an index: the constraint alone, rules after two blanks",
       list({fk(L"LinesOrder", L"Lines", L"Orders", {L"Order"}, {L"ID"}, L" ON DELETE CASCADE")}),
       {L"ALTER TABLE `Lines` ADD CONSTRAINT `LinesOrder` FOREIGN KEY(`Order`) REFERENCES "
        L"`Orders`(`ID`)  ON DELETE CASCADE"}},
      {"an index that does not lead with the columns does not count",
       list({fk(L"LinesPos", L"Lines", L"Orders", {L"Pos"}, {L"ID"})}),
       {L"ALTER TABLE `Lines` ADD INDEX (`Pos`)",
        L"ALTER TABLE `Lines` ADD CONSTRAINT `LinesPos` FOREIGN KEY(`Pos`) REFERENCES "
        L"`Orders`(`ID`)"}},
      {"referenced columns without an index get one: the key is kept",
       list({fk(L"ByPos", L"Orders", L"Lines", {L"ID"}, {L"Pos"})}),
       {L"ALTER TABLE `Lines` ADD INDEX (`Pos`)",
        L"ALTER TABLE `Orders` ADD CONSTRAINT `ByPos` FOREIGN KEY(`ID`) REFERENCES `Lines`(`Pos`)"}},
      {"source names become target names, tables found whatever their case",
       list({fk(L"Lines", L"order lines", L"ORDERS", {L"Order*"}, {L"ID"})}),
       {L"ALTER TABLE `order_lines` ADD INDEX (`order_`)",
        L"ALTER TABLE `order_lines` ADD CONSTRAINT `Lines` FOREIGN KEY(`order_`) REFERENCES "
        L"`ORDERS`(`ID`)"}},
      {"an index added for one key serves the next on the same columns; names stay unique",
       list({fk(L"twice", L"Notes", L"Orders", {L"Ref"}, {L"ID"}), fk(L"TWICE", L"Notes", L"Orders", {L"Ref"}, {L"ID"}),
             fk(L"bad`name ", L"Notes", L"Orders", {L"Ref"}, {L"ID"})}),
       {L"ALTER TABLE `Notes` ADD INDEX (`Ref`)",
        L"ALTER TABLE `Notes` ADD CONSTRAINT `twice` FOREIGN KEY(`Ref`) REFERENCES `Orders`(`ID`)",
        L"ALTER TABLE `Notes` ADD CONSTRAINT `twice00000` FOREIGN KEY(`Ref`) REFERENCES "
        L"`Orders`(`ID`)",
        L"ALTER TABLE `Notes` ADD CONSTRAINT `bad_name` FOREIGN KEY(`Ref`) REFERENCES "
        L"`Orders`(`ID`)"}},
      {"a table that refers to itself gets each missing index once",
       list({fk(L"parent", L"Notes", L"Notes", {L"Ref"}, {L"Ref"}),
             fk(L"code", L"Notes", L"Notes", {L"Ref"}, {L"Code"})}),
       {L"ALTER TABLE `Notes` ADD INDEX (`Ref`)",
        L"ALTER TABLE `Notes` ADD CONSTRAINT `parent` FOREIGN KEY(`Ref`) REFERENCES `Notes`(`Ref`)",
        L"ALTER TABLE `Notes` ADD INDEX (`Code`)",
        L"ALTER TABLE `Notes` ADD CONSTRAINT `code` FOREIGN KEY(`Ref`) REFERENCES `Notes`(`Code`)"}},
      {"a table missing on the target leaves its key out, the next key is still made",
       list({fk(L"gone", L"Lines", L"Archive", {L"Order"}, {L"ID"}),
             fk(L"gone too", L"Archive", L"Orders", {L"Order"}, {L"ID"}),
             fk(L"gone", L"Lines", L"Orders", {L"Order"}, {L"ID"})}),
       {L"ALTER TABLE `Lines` ADD CONSTRAINT `gone` FOREIGN KEY(`Order`) REFERENCES `Orders`(`ID`)",
        L"left out 0: Table 'Archive' not exists", L"left out 1: Table 'Archive' not exists"}},
      {"a table that cannot take the index leaves the key out, with no index added for it",
       list({fk(L"on body", L"Lines", L"Notes", {L"Pos"}, {L"Body"}),
             fk(L"too long", L"Orders", L"Notes", {L"A", L"B", L"C"}, {L"Code", L"Title", L"Place"})}),
       {L"left out 0: Table 'Notes' cannot take an index on (`Body`): column 'Body' cannot be "
        L"part of a key",
        L"left out 1: Table 'Notes' cannot take an index on (`Code`, `Title`, `Place`): the key "
        L"would take 3080 bytes, the table takes 3072"}},
  };
  for (const plan_case& c : cases) {
    EXPECT_EQ(plan_lines(c.relationships, shop()), c.expected) << c.what;
  }
}

TEST(SqlFkPlan, StepsNameTheTablesTheyAlter) {
  sql_new_in_validator constraint_names{udb_indexes()};
  const sql_fk_plan plan = sql_plan_foreign_keys(list({fk(L"ByPos", L"Orders", L"Lines", {L"ID"}, {L"Pos"})}),
                                                 shop_names(), shop(), constraint_names);
  ASSERT_EQ(plan.steps.size(), 2u);
  EXPECT_EQ(plan.steps[0].what, sql_fk_step::kind::add_index);
  EXPECT_EQ(plan.steps[0].table, L"Lines");
  EXPECT_EQ(plan.steps[1].what, sql_fk_step::kind::add_constraint);
  EXPECT_EQ(plan.steps[1].table, L"Orders");
  EXPECT_EQ(plan.steps[1].ref_table, L"Lines");
  EXPECT_EQ(plan.steps[1].constraint, L"ByPos");
}

}  // namespace
