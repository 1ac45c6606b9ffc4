// Relationships the writer adds: the tables of an Access-made file rebuilt with its
// relationships must carry the same index entries on both sides, system-table rows and
// mdbtools' view; and the relationships and rows Access would refuse are refused.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <map>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/write/jet_write_error.h"
#include "platform/jet/write/jet_writer.h"
#include "tests/jet/jet_index_walker.h"
#include "tests/jet_write/jet_write_support.h"
#include "tests/support/jet_structure_audit.h"
#include "tests/support/test_env.h"
#include "tests/support/test_shell.h"

using namespace jet;

namespace {

void expect_sound(const std::string& path) {
  for (const auto& r : jet_test::check_file_indexes(path, true)) {
    SCOPED_TRACE(std::string(r.table.begin(), r.table.end()) + " index " + std::to_string(r.index));
    EXPECT_TRUE(r.faults.empty()) << r.faults.front();
    EXPECT_EQ(r.pointers_only, 0u);
    EXPECT_EQ(r.keys_checked, r.entries);
  }
  std::ifstream in(path, std::ios::binary);
  const std::vector<std::uint8_t> image((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const auto audit = test_audit::audit_jet4(image);
  EXPECT_TRUE(audit.faults.empty()) << audit.faults.front();
}

long refusal(const std::function<void()>& action) {
  try {
    action();
  } catch (const jet_write_error& e) {
    return e.dao_code();
  }
  return 0;
}

jet_new_index index_on(const wchar_t* name, const wchar_t* column, bool primary) {
  jet_new_index i;
  i.name = name;
  i.columns = {{column, false}};
  i.primary = primary;
  i.unique = primary;
  return i;
}

jet_new_relationship relationship(const wchar_t* name, const wchar_t* table, const wchar_t* foreign_table,
                                  std::vector<std::wstring> columns, std::vector<std::wstring> foreign_columns,
                                  std::int32_t attributes = 0) {
  return {name, table, foreign_table, std::move(columns), std::move(foreign_columns), attributes};
}

// Each index entry of a table as text naming what a relationship's entry points at by table
// name, so that files with different page numbers compare.
std::map<std::wstring, std::string> index_entries(const jet_file& file, const jet_catalog& catalog,
                                                  const std::wstring& table) {
  std::map<std::uint32_t, std::wstring> by_page;
  for (const auto& t : catalog.tables) by_page[t.page()] = t.name;
  std::vector<jet_index_def> defs;
  EXPECT_TRUE(file.read_indexes(catalog.find_table(table)->page(), defs));
  std::map<std::wstring, std::string> out;
  for (const auto& d : defs) {
    std::string s = "#" + std::to_string(d.number) + (d.primary ? " primary" : "") + (d.unique ? " unique" : "") +
                    (d.foreign ? " foreign" : "") + " cols";
    for (const auto& c : d.columns) s += " " + std::to_string(c.column);
    if (d.foreign) {
      const std::wstring other = by_page.count(d.rel_table_page) ? by_page[d.rel_table_page] : L"?";
      s += " side " + std::to_string(d.rel_side) + " to " + std::string(other.begin(), other.end()) + " #" +
           std::to_string(d.rel_index) + " cascade " + std::to_string(d.cascade_updates) + "/" +
           std::to_string(d.cascade_deletes);
    }
    out[d.name] = s;
  }
  return out;
}

}  // namespace

// indexTestV2000's three tables rebuilt (columns, rows, its indexes 'id' and PrimaryKey) with its
// two relationships, one cascading deletes, one cascading updates.
TEST(jet_write_relationships, rebuilt_tables_carry_the_entries_access_wrote) {
  const std::string source = test_env::testdata_path("access/jet4/indexTestV2000.mdb");
  auto src = jet_write_test::open_written(source);
  ASSERT_TRUE(src);
  jet_catalog src_catalog;
  ASSERT_TRUE(jet_read_catalog(*src, src_catalog));
  const std::string path = jet_write_test::new_target();
  {
    auto writer = jet_writer::create(path, jet_header_options{});
    for (const wchar_t* name : {L"Table1", L"Table2", L"Table3"}) {
      const jet_object* t = src_catalog.find_table(name);
      ASSERT_NE(t, nullptr);
      jet_table_def def;
      ASSERT_TRUE(src->read_table(t->page(), def));
      std::vector<jet_new_column> columns;
      for (const auto& c : def.columns) {
        jet_new_column n = jet_write_test::column(c.name.c_str(), c.type, c.type == jet_text ? 100 : 0);
        columns.push_back(n);
      }
      const jet_table_id id = writer->add_table(name, columns);
      for (const auto& row : jet_write_test::read_rows(*src, t->page())) writer->append_row(id, row);
      writer->add_index(id, index_on(L"id", L"id", false));
      writer->add_index(id, index_on(L"PrimaryKey", L"id", true));
    }
    writer->add_relationship(relationship(L"Table2Table1", L"Table2", L"Table1", {L"id"}, {L"otherfk1"}, 0x1000));
    writer->add_relationship(relationship(L"Table3Table1", L"Table3", L"Table1", {L"id"}, {L"otherfk2"}, 0x100));
    writer->close();
  }
  expect_sound(path);
  auto file = jet_write_test::open_written(path);
  ASSERT_TRUE(file);
  jet_catalog catalog;
  ASSERT_TRUE(jet_read_catalog(*file, catalog));
  for (const wchar_t* name : {L"Table1", L"Table2", L"Table3"}) {
    SCOPED_TRACE(std::string(name, name + 6));
    EXPECT_EQ(index_entries(*file, catalog, name), index_entries(*src, src_catalog, name));
  }

  // Each relationship is a catalog object under the Relationships container, with the rights
  // Access gives one: the creator's and the users'.
  std::vector<std::int32_t> ids;
  for (const auto& row : jet_write_test::read_rows(*file, 2))
    if (jet_write_test::describe(row[3]) == jet_write_test::describe(jet_value(std::int16_t{8}))) {
      EXPECT_EQ(jet_write_test::describe(row[1]), jet_write_test::describe(jet_value(std::int32_t{0x0F000003})));
      ids.push_back(std::get<std::int32_t>(row[0]));
    }
  EXPECT_EQ(ids.size(), 2u);
  std::size_t aces = 0;
  for (const auto& row : jet_write_test::read_rows(*file, 3))
    for (std::int32_t id : ids) aces += jet_write_test::describe(row[0]) == jet_write_test::describe(jet_value(id));
  EXPECT_EQ(aces, 4u);

  const auto rows = [](const std::string& p) {
    std::string all = test_env::checked_output("mdb-export " + test_env::shell_quote(p) + " MSysRelationships");
    std::string kept;
    for (std::size_t at = 0, end; at < all.size(); at = end + 1) {
      end = all.find('\n', at);
      if (end == std::string::npos) end = all.size();
      const std::string line = all.substr(at, end - at);
      if (line.find("MSysNavPane") == std::string::npos) kept += line + "\n";
    }
    return kept;
  };
  EXPECT_EQ(rows(path), rows(source));
  const auto relations = [](const std::string& p) {
    return test_env::checked_output("mdb-schema -T Table1 --no-indexes --relations " + test_env::shell_quote(p) +
                                    " mysql | grep 'FOREIGN KEY' || true");
  };
  // mdb-schema stops after the first relationship of the Access-made file (it lists both of
  // the rebuilt one): the source's line must be among the copy's, and both are there.
  const std::string copied = relations(path);
  EXPECT_NE(copied.find(relations(source)), std::string::npos) << copied;
  EXPECT_NE(copied.find("FOREIGN KEY (`otherfk2`) REFERENCES `Table3`(`id`) ON UPDATE CASCADE;"), std::string::npos)
      << copied;
}

// The shapes Access also writes and the refusals, on one small database: Orders(Id, Customer,
// Region, Code) refers to Customers(Id, Region) over two columns and to Customers(Id) alone;
// Staff refers to itself; a relationship that is not enforced adds no index entries.
TEST(jet_write_relationships, shapes_and_refusals) {
  const std::string path = jet_write_test::new_target();
  {
    auto writer = jet_writer::create(path, jet_header_options{});
    const jet_table_id customers = writer->add_table(
        L"Customers", {jet_write_test::column(L"Id", jet_long), jet_write_test::column(L"Region", jet_text, 20)});
    const jet_table_id orders = writer->add_table(
        L"Orders", {jet_write_test::column(L"Id", jet_long), jet_write_test::column(L"Customer", jet_long),
                    jet_write_test::column(L"Region", jet_text, 20), jet_write_test::column(L"Code", jet_text, 20)});
    const jet_table_id staff = writer->add_table(
        L"Staff", {jet_write_test::column(L"Id", jet_long), jet_write_test::column(L"Boss", jet_long)});
    for (int i = 1; i <= 3; ++i)
      writer->append_row(customers, {static_cast<std::int32_t>(i), std::wstring(i == 2 ? L"North" : L"South")});
    for (int i = 1; i <= 6; ++i)
      writer->append_row(orders, {static_cast<std::int32_t>(i), static_cast<std::int32_t>(i % 3 + 1),
                                  std::wstring(i % 3 + 1 == 2 ? L"North" : L"South"), std::wstring(L"c")});
    writer->append_row(staff, {std::int32_t{1}, jet_null{}});
    writer->append_row(staff, {std::int32_t{2}, std::int32_t{1}});
    jet_new_index pk = index_on(L"PrimaryKey", L"Id", true);
    writer->add_index(customers, pk);
    writer->add_index(staff, pk);
    jet_new_index both;
    both.name = L"IdRegion";
    both.columns = {{L"Id", false}, {L"Region", false}};
    both.unique = true;
    writer->add_index(customers, both);
    // An index on Orders.Customer already there: the relationship shares it.
    writer->add_index(orders, index_on(L"Customer", L"Customer", false));

    const struct {
      jet_new_relationship r;
      long error;
    } cases[] = {
        {relationship(L"NoUnique", L"Customers", L"Orders", {L"Region"}, {L"Region"}), 3609},
        {relationship(L"NoPairs", L"Customers", L"Orders", {}, {}), 3366},
        {relationship(L"Uneven", L"Customers", L"Orders", {L"Id", L""}, {L"Customer", L"Region"}), 3368},
        {relationship(L"Types", L"Customers", L"Orders", {L"Id"}, {L"Code"}), 3368},
        {relationship(L"Missing", L"Customers", L"Orders", {L"Id"}, {L"Nope"}), 3409},
        {relationship(L"NoTable", L"Suppliers", L"Orders", {L"Id"}, {L"Customer"}), 3078},
        // Orders 4 to 6 have no customer of their number.
        {relationship(L"Orphans", L"Customers", L"Orders", {L"Id"}, {L"Id"}), 3379},
        // Not enforced: nothing is checked, no index entry is added.
        {relationship(L"Loose", L"Customers", L"Orders", {L"Region"}, {L"Code"}, 0x2), 0},
    };
    for (const auto& c : cases) {
      SCOPED_TRACE(std::string(c.r.name.begin(), c.r.name.end()));
      EXPECT_EQ(refusal([&] { writer->add_relationship(c.r); }), c.error);
    }
    writer->add_relationship(relationship(L"ByCustomer", L"Customers", L"Orders", {L"Id"}, {L"Customer"}));
    EXPECT_EQ(refusal([&] {
                writer->add_relationship(relationship(L"bycustomer", L"Customers", L"Orders", {L"Id"}, {L"Customer"}));
              }),
              3367);
    writer->add_relationship(
        relationship(L"ByCustomerRegion", L"Customers", L"Orders", {L"Id", L"Region"}, {L"Customer", L"Region"}));
    writer->add_relationship(relationship(L"Reports", L"Staff", L"Staff", {L"Id"}, {L"Boss"}, 0x1100));

    // Rows after the relationships: a missing customer is refused and not stored; a NULL boss
    // needs none.
    EXPECT_EQ(refusal([&] {
                writer->append_row(orders, {std::int32_t{7}, std::int32_t{9}, std::wstring(L"South"), std::wstring()});
              }),
              3201);
    writer->append_row(orders, {std::int32_t{8}, std::int32_t{3}, std::wstring(L"South"), std::wstring()});
    writer->append_row(staff, {std::int32_t{3}, jet_null{}});
    EXPECT_EQ(refusal([&] { writer->delete_table(L"Staff"); }), 3303);
    writer->close();
  }
  expect_sound(path);
  auto file = jet_write_test::open_written(path);
  ASSERT_TRUE(file);
  jet_catalog catalog;
  ASSERT_TRUE(jet_read_catalog(*file, catalog));
  EXPECT_EQ(jet_write_test::read_rows(*file, catalog.find_table(L"Orders")->page()).size(), 7u);

  const auto orders = index_entries(*file, catalog, L"Orders");
  EXPECT_EQ(orders.at(L"ByCustomer"), "#1 foreign cols 1 side 2 to Customers #2 cascade 0/0");
  EXPECT_EQ(orders.at(L"ByCustomerRegion"), "#2 foreign cols 1 2 side 2 to Customers #3 cascade 0/0");
  EXPECT_EQ(orders.count(L"Loose"), 0u);
  EXPECT_EQ(orders.count(L"Orphans"), 0u);
  const auto customers = index_entries(*file, catalog, L"Customers");
  EXPECT_EQ(customers.at(L".rC"), "#2 unique foreign cols 0 side 1 to Orders #1 cascade 0/0");
  EXPECT_EQ(customers.at(L".rD"), "#3 unique foreign cols 0 1 side 1 to Orders #2 cascade 0/0");
  const auto staff = index_entries(*file, catalog, L"Staff");
  EXPECT_EQ(staff.at(L"Reports"), "#1 foreign cols 1 side 2 to Staff #2 cascade 1/1");
  EXPECT_EQ(staff.at(L".rC"), "#2 unique foreign cols 0 side 1 to Staff #1 cascade 1/1");

  // Orders' index on Customer serves the relationship too: no second stored index.
  std::vector<jet_test::real_index_def> reals;
  ASSERT_TRUE(jet_test::read_real_indexes(*file, catalog.find_table(L"Orders")->page(), reals));
  EXPECT_EQ(reals.size(), 2u);

  const std::string schema =
      test_env::checked_output("mdb-schema --no-indexes --relations " + test_env::shell_quote(path) + " mysql");
  EXPECT_NE(schema.find("FOREIGN KEY (`Boss`) REFERENCES `Staff`(`Id`) ON UPDATE CASCADE ON DELETE CASCADE"),
            std::string::npos)
      << schema;
  EXPECT_NE(schema.find("-- Relationship from `Orders` (`Code`) to `Customers`(`Region`) does not enforce integrity."),
            std::string::npos)
      << schema;
}
