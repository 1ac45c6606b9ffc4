// Reads Jet SQL text into a jet_statement. Errors are raised as jet_sql_exception with DAO's
// syntax-error numbers and texts.
#pragma once

#include <string>

#include "platform/jet/sql/jet_sql_ast.h"

jet_statement jet_parse_sql(const std::wstring& sql);
