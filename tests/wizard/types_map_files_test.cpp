// The type-mapping files: where they are found, what a missing one says, and the files that ship
// with the program against the types the conversion gives nwind's columns.
#include <gtest/gtest.h>

#include "SQL/sql_types.h"
#include "TK/tk_exception.h"
#include "TK/tk_yaml_config.h"
#include "tests/wizard/types_map_env.h"

namespace {

TEST(TypesMapFiles, FoundInTheWorkingFolderThenTheUserDataFolder) {
  struct Case {
    const char* name;
    bool in_working_folder;
    bool in_data_home;  // $XDG_DATA_HOME/Quellbrook/Ostrelle
    bool in_home;       // ~/.local/share/Quellbrook/Ostrelle, with XDG_DATA_HOME unset
    const char* found;  // "work", "data", "home" or "" (the bare name)
  } cases[] = {
      {"both", true, true, false, "work"},
      {"data home only", false, true, false, "data"},
      {"default data home", false, false, true, "home"},
      {"none", false, false, false, ""},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    mapping_folder work;
    if (c.in_working_folder) work.write("sql.map", "A:\n- from work\n");
    const std::string data = test_env::make_temp_dir();
    const std::string home = test_env::make_temp_dir();
    const std::string previous_home = std::getenv("HOME") != nullptr ? std::getenv("HOME") : "";
    std::filesystem::create_directories(data + "/Quellbrook/Ostrelle");
    std::filesystem::create_directories(home + "/.local/share/Quellbrook/Ostrelle");
    if (c.in_data_home) std::ofstream(data + "/Quellbrook/Ostrelle/sql.map") << "A:\n- from data\n";
    if (c.in_home) std::ofstream(home + "/.local/share/Quellbrook/Ostrelle/sql.map") << "A:\n- from home\n";
    setenv("HOME", home.c_str(), 1);
    if (c.in_home) {
      unsetenv("XDG_DATA_HOME");
    } else {
      setenv("XDG_DATA_HOME", data.c_str(), 1);
    }
    const std::string found = find_type_mapping_file("sql.map");
    const std::string expected = std::string(c.found) == "work"   ? "./sql.map"
                                 : std::string(c.found) == "data" ? data + "/Quellbrook/Ostrelle/sql.map"
                                 : std::string(c.found) == "home" ? home + "/.local/share/Quellbrook/Ostrelle/sql.map"
                                                                  : "sql.map";
    EXPECT_EQ(found, expected);
    if (std::string(c.found).empty()) {
      EXPECT_THROW(conversion_map(), tk_exception);
    } else {
      EXPECT_EQ(mapped_types(L"A").size(), 1u);
    }
    setenv("HOME", previous_home.c_str(), 1);
  }
}

TEST(TypesMapFiles, MissingFileIsReportedAndTriedAgain) {
  mapping_folder folder;
  for (const char* name : {"sql.map", "sql.typ"}) {
    SCOPED_TRACE(name);
    const bool map = std::string(name) == "sql.map";
    try {
      map ? conversion_map() : type_attributes_map();
      ADD_FAILURE() << "no exception";
    } catch (const tk_exception& e) {
      EXPECT_EQ(std::string(e.what()), std::string("Cannot find ") + name + ". Custom type mapping is not available.");
      EXPECT_EQ(e.kind(), tk_kind_error);
    }
    // Once the file is there, the next use reads it; later changes to it are not read again.
    folder.write(name, "VARCHAR:\n  - TEXT\n");
    EXPECT_EQ(map ? mapped_types(L"VARCHAR") : type_attributes(L"VARCHAR"), std::vector<std::wstring>{L"TEXT"});
    folder.write(name, "VARCHAR:\n  - CHAR\n");
    EXPECT_EQ(map ? mapped_types(L"VARCHAR") : type_attributes(L"VARCHAR"), std::vector<std::wstring>{L"TEXT"});
    EXPECT_TRUE((map ? mapped_types(L"INT") : type_attributes(L"INT")).empty());
  }
}

// The shipped files name only MySQL types the conversion can write, list each type first among
// its own choices, offer a list for every type of the type table, and give exactly the size
// fields each type's column text carries.
TEST(TypesMapFiles, ShippedFilesFitTheTypeTable) {
  tk_yaml_config map;
  tk_yaml_config typ;
  ASSERT_TRUE(map.load(shipped_file("sql.map").c_str(), {}));
  ASSERT_TRUE(typ.load(shipped_file("sql.typ").c_str(), {}));
  std::wstring canonical;
  for (const auto& [type, choices] : map.values()) {
    SCOPED_TRACE(tk_unicode_to_utf8(type));
    EXPECT_TRUE(sql_known_type_name(type, canonical) && canonical == type);
    ASSERT_FALSE(choices.empty());
    EXPECT_EQ(choices.front(), type);
    for (const std::wstring& choice : choices) {
      EXPECT_TRUE(sql_known_type_name(choice, canonical) && canonical == choice) << tk_unicode_to_utf8(choice);
      // BINARY's column text carries no length: it would hold one byte.
      if (type != L"BINARY") {
        EXPECT_NE(choice, L"BINARY");
      }
    }
  }
  for (int id = 0; id < SQL_NATIVE_TYPE_COUNT; ++id) {
    EXPECT_EQ(map.values().count(get_sql_native_type_name(id)), 1u) << id;
  }
  const tk_yaml_config::value_map expected_sizes = {{L"CHAR", {L"LENGTH"}},
                                                    {L"VARCHAR", {L"LENGTH"}},
                                                    {L"VARBINARY", {L"LENGTH"}},
                                                    {L"DECIMAL", {L"PRECISION", L"SCALE"}}};
  EXPECT_EQ(typ.values(), expected_sizes);
}

}  // namespace
