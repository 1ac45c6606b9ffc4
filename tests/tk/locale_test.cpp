// Under a decimal-comma locale the toolkit still writes numbers with '.' and text unchanged.
#include <gtest/gtest.h>

#include <clocale>

#include "TK/tk_exception.h"
#include "TK/tk_format.h"
#include "TK/tk_logger.h"
#include "tests/support/test_env.h"
#include "tests/tk/tk_test_util.h"

namespace {

TEST(DecimalCommaLocale, NumbersKeepTheDot) {
  ASSERT_NE(nullptr, std::setlocale(LC_ALL, "de_DE.UTF-8")) << "de_DE.UTF-8 is missing: run scripts/install-deps.sh";
  char check[16];
  std::snprintf(check, sizeof check, "%.1f", 1.5);
  ASSERT_STREQ("1,5", check);  // the locale is really in force

  EXPECT_EQ("1.5 2.500000e+00 \xC3\xA4", tk_format("%.1f %e %ls", 1.5, 2.5, L"\u00E4"));
  std::string file = test_env::make_temp_dir() + "/run.log";
  {
    tk_logger logger(file.c_str(), true, 3, false);
    tk_log1(tk_log_event, "%.2f", 3.25);
    tk_log2(tk_log_event, L"%.2f %ls %s", 3.25, L"Ums\u00E4tze", "\xC3\xA4");
  }
  EXPECT_EQ("3.25\r\n3.25 Ums\xC3\xA4tze \xC3\xA4\r\n", read_file(file));
  EXPECT_STREQ("size 1.5", tk_exception(std::string("size %s"), std::string("1.5"), 1).what());
  std::setlocale(LC_ALL, "C");
}

}  // namespace
