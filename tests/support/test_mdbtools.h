// The mdbtools programs as the tests' independent reader of Access files: the tables a file holds
// and a table's rows as mdb-export writes them.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace test_env {

// The user tables of an Access file as `mdb-tables -1` lists them (UTF-8, in its order). When
// mdb-tables cannot read the file (an encrypted one, say): fails the current test if `must_read`,
// else answers what it listed, usually nothing.
std::vector<std::string> mdb_tables(const std::string& file, bool must_read = true);

// One row of mdb-export's CSV; nullopt for the bare word NULL (what `-0 NULL` writes for Null).
using csv_row = std::vector<std::optional<std::string>>;

// mdb-export's CSV: fields split at commas, text in double quotes (a quote inside doubled, line
// breaks inside kept), rows ending in LF.
std::vector<csv_row> parse_mdb_csv(const std::string& text);

// The rows of `table`, each split into its fields, as `mdb-export <options> file table` writes
// them with a unit separator (0x1F) between fields and a record separator (0x1E) after each
// row, so no text can split a value. With a header line unless `options` holds -H.
std::vector<std::vector<std::string>> mdb_export_fields(const std::string& file, const std::string& table,
                                                        const std::string& options);

}  // namespace test_env
