// The column editor's two type-mapping files, read once per process: "sql.map" lists for a MySQL
// column type the types a column of that type may be converted to, "sql.typ" lists for a type
// which size fields (LENGTH, PRECISION, SCALE) it takes. Both are tk_yaml_config files.
#pragma once

#include <map>
#include <string>
#include <vector>

using type_name_lists = std::map<std::wstring, std::vector<std::wstring>>;

// Where a mapping file is taken from: the current directory, then the program's own folder, then
// the user's data folder ($XDG_DATA_HOME/Quellbrook/Ostrelle, by default
// ~/.local/share/Quellbrook/Ostrelle). The bare name when none of them holds it.
std::string find_type_mapping_file(const std::string& name);

// The lists read from "sql.map" and "sql.typ". Read on first use and kept until the program ends;
// a file that cannot be read throws tk_exception (kind 1) "Cannot find <name>. Custom type
// mapping is not available." and is tried again on the next use while nothing was read.
const type_name_lists& conversion_map();
const type_name_lists& type_attributes_map();

// The list under a type, empty for a type the file does not name.
std::vector<std::wstring> mapped_types(const std::wstring& type);
std::vector<std::wstring> type_attributes(const std::wstring& type);

// Forgets both files, so that the next use reads them again: for tests that change the files.
void forget_type_mapping_files();
