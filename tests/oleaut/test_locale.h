// Runs a test under each process locale the conversions must ignore: "C" and a decimal-comma
// locale. Tests derive from locale_test and are instantiated with INSTANTIATE_LOCALES(suite).
#pragma once

#include <gtest/gtest.h>

#include <clocale>
#include <locale>
#include <string>

class locale_test : public testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    saved_ = std::setlocale(LC_ALL, nullptr);
    ASSERT_NE(std::setlocale(LC_ALL, GetParam()), nullptr)
        << "locale " << GetParam() << " is not installed (scripts/install-deps.sh installs it)";
    std::locale::global(std::locale(GetParam()));
  }
  void TearDown() override {
    std::setlocale(LC_ALL, saved_.c_str());
    std::locale::global(std::locale::classic());
  }

 private:
  std::string saved_;
};

#define INSTANTIATE_LOCALES(suite)                                                     \
  INSTANTIATE_TEST_SUITE_P(locales, suite, testing::Values("C", "de_DE.UTF-8"),        \
                           [](const testing::TestParamInfo<const char*>& info) {       \
                             return std::string(info.param[0] == 'C' ? "C" : "de_DE"); \
                           })
