// Reading a real Access file with the mdbtools programs (mdb-export and friends): an
// independent reader, so the Jet SQL tests do not depend on our own.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/jet/sql/jet_query_text.h"

// The saved queries of a file as MSysQueries rows: query name -> its rows in stored order.
std::map<std::wstring, std::vector<jet_query_row>> export_saved_queries(const std::string& path);
