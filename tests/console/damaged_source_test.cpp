// VDYAGENT over damaged copies of nwind.mdb: a table, the saved queries or the relationships that
// cannot be read whole are named and the run ends with exit 2 after converting the rest; a file
// whose catalog is cut short fails with exit 1.
#include <gtest/gtest.h>

#include <fstream>
#include <functional>
#include <iterator>
#include <string>

#include "tests/console/program_run.h"
#include "tests/support/test_env.h"

namespace console_test {
namespace {

constexpr std::size_t page_size = 2048;           // nwind.mdb is a Jet 3 file
constexpr std::size_t orders_definition = 449;    // the definition page of Orders
constexpr std::size_t orders_data_page = 451;     // one of its data pages
constexpr std::size_t queries_data_page = 201;    // one of the saved queries' rows (MSysQueries)
constexpr std::size_t relations_data_page = 591;  // the relationships (MSysRelationships)

TEST(VdyagentDamagedSource, NeverEndsWithSuccessWhenRowsAreMissing) {
  using bytes = std::string;
  auto zero_page = [](std::size_t page) {
    return [page](bytes& b) { b.replace(page * page_size, page_size, page_size, '\0'); };
  };
  auto cut_at = [](std::size_t size) { return [size](bytes& b) { b.resize(size); }; };
  const struct {
    const char* what;
    std::function<void(bytes&)> damage;
    int exit_code;
    const char* names;  // what the report must name besides the damage
  } cases[] = {
      {"a data page of Orders zeroed", zero_page(orders_data_page), 2, "Orders"},
      {"the definition of Orders zeroed", zero_page(orders_definition), 2, "Orders"},
      {"a page of the saved queries zeroed", zero_page(queries_data_page), 2, "MSysQueries"},
      {"the page of the relationships zeroed", zero_page(relations_data_page), 2, "MSysRelationships"},
      {"cut at a page boundary", cut_at(452 * page_size), 1, "damage.mdb"},
      {"cut inside a page", cut_at(452 * page_size + 700), 1, "damage.mdb"},
  };
  std::ifstream in(test_env::testdata_path("access/real/nwind.mdb"), std::ios::binary);
  const bytes good((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_GT(good.size(), 452 * page_size + page_size);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const std::string folder = test_env::make_temp_dir();
    bytes damaged = good;
    c.damage(damaged);
    std::ofstream(folder + "/damage.mdb", std::ios::binary) << damaged;
    const program_result r = run_vdyagent({"--src=damage.mdb", "--dump", "--dest=out.sql", "--queries"}, folder);
    const std::string output = r.out + r.err;
    EXPECT_EQ(r.exit_code, c.exit_code) << output;
    EXPECT_NE(output.find(c.names), std::string::npos) << output;
    EXPECT_NE(output.find("damaged"), std::string::npos) << output;
    for (const char* misleading : {"Cannot recognize MS Access database format", "No current record"})
      EXPECT_EQ(output.find(misleading), std::string::npos) << output;
    // A damaged table does not end the run: the tables after it are converted.
    if (c.exit_code == 2) {
      EXPECT_NE(output.find("Converting table 'Products'"), std::string::npos) << output;
    }
  }
}

}  // namespace
}  // namespace console_test
