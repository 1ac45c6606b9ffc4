// Proves the path to the private server: connect with the client library and ask its version.
#include <gtest/gtest.h>
#include <mysql.h>

#include <string>

#include "tests/support/test_env.h"

TEST(PrivateServer, AnswersSelectVersion) {
  test_env::server_address server = test_env::test_server();
  ASSERT_FALSE(server.host.empty());

  MYSQL* conn = mysql_init(nullptr);
  ASSERT_NE(conn, nullptr);
  ASSERT_NE(mysql_real_connect(conn, server.host.c_str(), server.user.c_str(), server.password.c_str(), nullptr,
                               server.port, nullptr, 0),
            nullptr)
      << mysql_error(conn);
  ASSERT_EQ(mysql_query(conn, "SELECT VERSION()"), 0) << mysql_error(conn);
  MYSQL_RES* result = mysql_store_result(conn);
  ASSERT_NE(result, nullptr);
  MYSQL_ROW row = mysql_fetch_row(result);
  ASSERT_NE(row, nullptr);
  EXPECT_NE(std::string(row[0]).find("MariaDB"), std::string::npos) << row[0];
  mysql_free_result(result);
  mysql_close(conn);
}
