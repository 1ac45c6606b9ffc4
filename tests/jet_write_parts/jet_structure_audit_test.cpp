// The structure audit passes on every Jet 4 file Access made and catches faults planted in a
// copy of one by byte edits.
#include "tests/support/jet_structure_audit.h"

#include <gtest/gtest.h>

#include <functional>

#include "platform/jet/jet_file.h"
#include "platform/jet/jet_layout.h"
#include "tests/jet_write_parts/jet_file_image.h"
#include "tests/support/test_env.h"

using test_audit::allowance;

namespace {

// What Access left in these files that a file we write must not hold (see allowance).
allowance access_leftovers(const std::string& path) {
  allowance a;
  if (path == "access/jet4/testV2000.mdb") {
    a.reserved_zero_pages = true;
    a.leaked_pages = {34, 322, 707};  // an old LVAL page and two definitions of deleted tables
    a.stale_row_counts = {L"MSysACEs"};
    a.untracked_long_values = true;  // MSysAccessObjects.Data has no column map
  } else if (path == "access/real/DateTestDatabase.mdb") {
    a.reserved_zero_pages = true;
  } else if (path == "access/jet4/queryTestV2000.mdb") {
    a.stale_row_counts = {L"MSysQueries"};
  }
  return a;
}

std::string joined(const std::vector<std::string>& faults) {
  std::string out;
  for (const auto& f : faults) out += f + "\n";
  return out;
}

bool is_jet4(const std::vector<std::uint8_t>& image) {
  jet::jet_header h;
  return image.size() >= jet::jet4_page_size &&
         jet::jet_read_header(image.data(), image.size(), h) == jet::jet_status::ok &&
         h.format == jet::jet_format::jet4;
}

}  // namespace

TEST(jet_structure_audit, every_access_made_jet4_file_passes) {
  bool any = false;
  for (const auto& f : test_env::access_files()) {
    std::vector<std::uint8_t> image = test_image::read_file(test_env::testdata_path(f.path));
    if (!is_jet4(image)) continue;
    any = true;
    test_audit::result r = test_audit::audit_jet4(image, access_leftovers(f.path));
    EXPECT_TRUE(r.faults.empty()) << f.path << ":\n" << joined(r.faults);
  }
  EXPECT_TRUE(any);
}

namespace {

// Finds a page whose owner's description contains `what`.
std::uint32_t owned_page(const test_audit::result& r, const std::string& what) {
  for (const auto& [page, owner] : r.owner)
    if (owner.find(what) != std::string::npos) return page;
  throw test_env::missing_input("no page owned by " + what);
}

void flip_map_bit(std::vector<std::uint8_t>& image, std::uint32_t row_pointer, std::uint32_t page, bool set) {
  std::uint8_t mask = 0;
  std::size_t at = test_audit::map_bit(image, row_pointer, page, mask);
  image[at] = static_cast<std::uint8_t>(set ? image[at] | mask : image[at] & ~mask);
}

}  // namespace

TEST(jet_structure_audit, catches_planted_faults) {
  // A clean Access file with user tables, indexes and long values.
  const std::vector<std::uint8_t> clean =
      test_image::read_file(test_env::testdata_path("access/jet4/compIndexTestV2000.mdb"));
  test_audit::result base = test_audit::audit_jet4(clean);
  ASSERT_TRUE(base.faults.empty()) << joined(base.faults);
  const std::uint32_t global_map = 0x100;

  struct plant {
    const char* name;
    std::function<void(std::vector<std::uint8_t>&)> edit;
    const char* expected;  // a fault the audit must report
  };
  const plant cases[] = {
      {"a data page missing from its table's map",
       [&](auto& img) {
         std::uint32_t p = owned_page(base, "Table1 data");
         flip_map_bit(img, base.listed_by.at(p), p, false);
       },
       "map does not list it"},
      {"a used data page marked free",
       [&](auto& img) { flip_map_bit(img, global_map, owned_page(base, "Table1 data"), true); },
       "global map marks it free"},
      {"a definition page marked free",
       [&](auto& img) { flip_map_bit(img, global_map, owned_page(base, "Table1 definition"), true); },
       "global map marks it free"},
      {"an index page missing from its index map",
       [&](auto& img) {
         std::uint32_t p = owned_page(base, "Table1 index");
         flip_map_bit(img, base.listed_by.at(p), p, false);
       },
       "nothing owns it"},
      {"an LVAL page missing from its column's map",
       [&](auto& img) {
         std::uint32_t p = owned_page(base, "long values");
         flip_map_bit(img, base.listed_by.at(p), p, false);
       },
       "nothing owns it"},
      {"a data page listed by two tables",
       [&](auto& img) {
         std::uint32_t mine = owned_page(base, "Table1 data");
         std::uint32_t theirs = owned_page(base, "MSysACEs data");
         flip_map_bit(img, base.listed_by.at(theirs), mine, true);
       },
       "not one of its data pages"},
      {"a stored row count one too high",
       [&](auto& img) {
         std::size_t at = std::size_t{owned_page(base, "Table1 definition")} * jet::jet4_page_size + 16;
         img[at] = static_cast<std::uint8_t>(img[at] + 1);
       },
       "rows, its pages hold"},
      {"an unused page marked used",
       [&](auto& img) {
         std::uint32_t extra = static_cast<std::uint32_t>(img.size() / jet::jet4_page_size);
         img.resize(img.size() + jet::jet4_page_size, 0);
         flip_map_bit(img, global_map, extra, false);
       },
       "nothing owns it"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::uint8_t> image = clean;
    c.edit(image);
    test_audit::result r = test_audit::audit_jet4(image);
    EXPECT_NE(joined(r.faults).find(c.expected), std::string::npos) << joined(r.faults);
  }
}
