// Reading a real Access file with the mdbtools programs (mdb-export and friends): an
// independent reader, so the Jet SQL tests do not depend on our own.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "platform/jet/sql/jet_query_text.h"

// mdb-export's CSV: text in double quotes (doubled inside), Null as the bare word NULL (with
// -0 NULL), line ends inside quoted texts kept.
using csv_row = std::vector<std::optional<std::string>>;
std::vector<csv_row> parse_mdb_csv(const std::string& text);

// The saved queries of a file as MSysQueries rows: query name -> its rows in stored order.
std::map<std::wstring, std::vector<jet_query_row>> export_saved_queries(const std::string& path);
