// The error-code map: first text wins, unknown codes give "".
#include "TK/tk_errco.h"

#include <gtest/gtest.h>

#include "TK/tk_exception.h"

namespace {

TEST(ErrorMap, FirstTextWinsAcrossTables) {
  const tk_error_entry dao[] = {{0x10000 | 3024, "file not found"}, {0x10000 | 3024, "repeat"}, {7, "seven"}};
  const tk_error_entry mysql[] = {{0x400000 | 1045, "access denied"}, {7, "second seven"}};
  tk_error_converter map(3, dao);
  map.load_map(2, mysql);
  map.load_map(0, mysql);
  struct Case {
    std::uint32_t code;
    std::string text;
  } cases[] = {
      {0x10000 | 3024, "file not found"}, {7, "seven"}, {0x400000 | 1045, "access denied"}, {8, ""}, {0, ""},
  };
  for (const auto& c : cases) EXPECT_EQ(c.text, map.convert(c.code)) << c.code;
  EXPECT_THROW(map.load_map(1, nullptr), tk_mail_assertion);
}

}  // namespace
