// Column properties of a new table: the blob is put in place of the one Access wrote for a table
// with the same columns, then read back by our parser and by mdb-prop.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <sstream>

#include "platform/jet/jet_catalog.h"
#include "platform/jet/jet_props.h"
#include "platform/jet/write/jet_long_value_writer.h"
#include "platform/jet/write/jet_property_blob.h"
#include "platform/jet/write/jet_write_error.h"
#include "tests/jet_write_parts/jet_file_image.h"
#include "tests/support/test_env.h"
#include "tests/support/test_shell.h"

using namespace jet;

namespace {

// Table1 of this file has the columns CD_AGENTE (Long), RS_AGENTE and DC_AGENTE (Text); its
// 932-byte property blob sits in one LVAL row.
constexpr char sample_file[] = "access/jet4/compIndexTestV2000.mdb";
constexpr std::uint8_t access_blob_header[] = {0xA4, 0x03, 0x00, jet_long_value_single};

std::vector<jet_new_column> sample_columns() {
  std::vector<jet_new_column> c(3);
  c[0].name = L"CD_AGENTE";
  c[0].type = jet_long;
  c[0].size = 4;
  c[0].required = true;
  c[0].default_value = L"=Now() + 1";
  c[1].name = L"RS_AGENTE";
  c[1].type = jet_text;
  c[1].size = 110;
  c[1].allow_zero_length = true;
  c[1].default_value = L"\"it's \"\"x\"\" \u00E9\U0001F600\"";
  c[2].name = L"DC_AGENTE";
  c[2].type = jet_text;
  c[2].size = 110;
  return c;
}

// Writes the sample with `blob` as Table1's properties; answers the file's path.
std::string file_with_blob(const jet_bytes& blob) {
  std::vector<std::uint8_t> image = test_image::read_file(test_env::testdata_path(sample_file));
  auto at = std::search(image.begin(), image.end(), std::begin(access_blob_header), std::end(access_blob_header));
  if (at == image.end()) throw test_env::missing_input("no property blob header in the sample");
  std::size_t header_at = static_cast<std::size_t>(at - image.begin());
  test_image::vector_sink sink(image);
  jet_long_value_writer lval(sink);
  std::vector<std::uint8_t> header = lval.store(blob.data(), blob.size(), jet_long_value_header_size);
  lval.finish();
  std::memcpy(image.data() + header_at, header.data(), header.size());
  std::string path = test_env::make_temp_dir() + "/props.mdb";
  test_image::write_file(path, image);
  return path;
}

using property_texts = std::map<std::string, std::map<std::string, std::string>>;

// mdb-prop's listing: "name: OWNER" lines, then a tab, "Property: value" per property.
property_texts mdb_prop(const std::string& path, const std::string& table) {
  std::string out = test_env::checked_output("mdb-prop " + test_env::shell_quote(path) + " " + table);
  property_texts props;
  std::istringstream in(out);
  std::string line, owner;
  while (std::getline(in, line)) {
    if (line.rfind("name: ", 0) == 0) {
      owner = line.substr(6);
    } else if (!line.empty() && line[0] == '\t') {
      std::size_t colon = line.find(": ");
      if (colon != std::string::npos) props[owner][line.substr(1, colon - 1)] = line.substr(colon + 2);
    }
  }
  return props;
}

}  // namespace

TEST(jet_property_blob, our_parser_reads_every_column_property) {
  std::string path = file_with_blob(jet_build_property_blob(sample_columns()));
  std::unique_ptr<jet_file> file;
  ASSERT_EQ(jet_file::open(path, L"", file), jet_status::ok);
  jet_catalog catalog;
  ASSERT_TRUE(jet_read_catalog(*file, catalog));
  const jet_object* table = catalog.find_table(L"Table1");
  ASSERT_NE(table, nullptr);
  std::vector<jet_property_block> blocks = jet_parse_properties(*file, table->properties);

  struct expected {
    std::wstring owner, name;
    jet_value value;
  };
  std::vector<expected> want = {
      {L"CD_AGENTE", L"Required", true},
      {L"CD_AGENTE", L"DefaultValue", std::wstring(L"=Now() + 1")},
      {L"RS_AGENTE", L"Required", false},
      {L"RS_AGENTE", L"AllowZeroLength", true},
      {L"RS_AGENTE", L"DefaultValue", std::wstring(L"\"it's \"\"x\"\" \u00E9\U0001F600\"")},
      {L"DC_AGENTE", L"Required", false},
      {L"DC_AGENTE", L"AllowZeroLength", false},
  };
  std::vector<expected> got;
  for (const auto& b : blocks)
    for (const auto& p : b.properties) {
      EXPECT_TRUE(p.ddl) << std::string(p.name.begin(), p.name.end());
      got.push_back({b.owner, p.name, p.value});
    }
  ASSERT_EQ(got.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    EXPECT_EQ(got[i].owner, want[i].owner) << i;
    EXPECT_EQ(got[i].name, want[i].name) << i;
    EXPECT_EQ(got[i].value.index(), want[i].value.index()) << i;
    if (const bool* b = std::get_if<bool>(&want[i].value)) {
      EXPECT_EQ(std::get_if<bool>(&got[i].value) && *std::get_if<bool>(&got[i].value), *b) << i;
    }
    if (const auto* t = std::get_if<std::wstring>(&want[i].value)) {
      const auto* g = std::get_if<std::wstring>(&got[i].value);
      EXPECT_TRUE(g != nullptr && *g == *t) << i;
    }
  }
}

TEST(jet_property_blob, mdb_prop_reads_every_column_property) {
  std::string path = file_with_blob(jet_build_property_blob(sample_columns()));
  property_texts props = mdb_prop(path, "Table1");
  // mdb-prop prints each half of a surrogate pair as '?': our parser above checks that character.
  property_texts want = {
      {"CD_AGENTE", {{"Required", "yes"}, {"DefaultValue", "=Now() + 1"}}},
      {"RS_AGENTE",
       {{"Required", "no"}, {"AllowZeroLength", "yes"}, {"DefaultValue", "\"it's \"\"x\"\" \xC3\xA9??\""}}},
      {"DC_AGENTE", {{"Required", "no"}, {"AllowZeroLength", "no"}}},
  };
  EXPECT_EQ(props, want);
}

// The value records match those Access wrote for the same properties, byte for byte but for
// the index of the name.
TEST(jet_property_blob, value_records_match_access) {
  std::vector<jet_new_column> one(1);
  one[0].name = L"C";
  one[0].type = jet_long;
  one[0].default_value = L"0";
  jet_bytes ours = jet_build_property_blob(one);
  // From testV2000.mdb, Table1 column C: DefaultValue "0" and Required no.
  const std::vector<std::uint8_t> access_default = {0x0a, 0x00, 0x01, 0x0c, 0x01, 0x00, 0x02, 0x00, 0x30, 0x00};
  const std::vector<std::uint8_t> access_required = {0x09, 0x00, 0x01, 0x01, 0x02, 0x00, 0x01, 0x00, 0x00};
  auto contains_but_name = [&ours](std::vector<std::uint8_t> record) {
    for (std::size_t i = 0; i + record.size() <= ours.size(); ++i) {
      record[4] = ours[i + 4];
      record[5] = ours[i + 5];
      if (std::equal(record.begin(), record.end(), ours.begin() + static_cast<long>(i))) return true;
    }
    return false;
  };
  EXPECT_TRUE(contains_but_name(access_default));
  EXPECT_TRUE(contains_but_name(access_required));
  EXPECT_EQ(std::memcmp(ours.data(), "MR2", 4), 0);
}

TEST(jet_property_blob, no_columns_no_blob_and_an_oversized_default_is_refused) {
  EXPECT_TRUE(jet_build_property_blob({}).empty());
  std::vector<jet_new_column> c(1);
  c[0].name = L"T";
  c[0].default_value = std::wstring(40000, L'x');
  try {
    jet_build_property_blob(c);
    ADD_FAILURE() << "an oversized default was accepted";
  } catch (const jet_write_error& e) {
    EXPECT_EQ(e.dao_code(), 3001);
  }
}
