// The saved queries of a real Access file as MSysQueries rows, read with the mdbtools program
// mdb-export: an independent reader, so the query-text tests do not depend on our own.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "platform/jet/sql/jet_query_text.h"

// Query name -> its rows in stored order. Fails the current test when mdb-export cannot run.
std::map<std::wstring, std::vector<jet_query_row>> export_saved_queries(const std::string& path);

// UTF-8 to wide text (the programs print UTF-8).
std::wstring from_utf8(const std::string& s);
