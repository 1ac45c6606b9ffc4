// The private server as tests read it back: a connection of the test's own and the rows of a
// statement as the server's bytes.
#pragma once

#include <mysql.h>

#include <optional>
#include <string>
#include <vector>

#include "tests/support/test_env.h"

namespace test_env {

// One row, each column as the server's bytes; nullopt for NULL.
using mysql_row = std::vector<std::optional<std::string>>;

// A connection to `server` speaking utf8mb4; null, after failing the current test with the
// client's message, when it cannot connect. Close it with mysql_close.
MYSQL* connect_mysql(const server_address& server);

// Every row of a statement; fails the current test and answers no rows when the server refuses
// it. A statement without a result answers no rows.
std::vector<mysql_row> query_rows(MYSQL* conn, const std::string& statement);

// Every row of a stored result, which is freed.
std::vector<mysql_row> result_rows(MYSQL_RES* result);

// The rows with NULL written as "<NULL>", for comparing against literal tables.
std::vector<std::vector<std::string>> null_marked(const std::vector<mysql_row>& rows);

// Loads a dump file with the mariadb command-line client, as a user would, in the server's
// default mode. `database`: the client's default database (none when empty). Answers the
// client's error output ("exit status N" when it failed without any), empty when it succeeded.
std::string load_with_client(const server_address& server, const std::string& path, const std::string& database = "");

}  // namespace test_env
