// Unique keys whose values differ only by accents ("Cafe" and "Café"): Access keeps them apart
// (its keys ignore case, not accents), so the key columns VDYAGENT creates must too, on the
// server and in a dump loaded in strict mode, and a foreign key onto them must still be made.
#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_utils.h"
#include "UDB/udb_database.h"
#include "UDB/udb_field.h"
#include "UDB/udb_recordset.h"
#include "dao/dao_engine.h"
#include "tests/console/mysql_client.h"
#include "tests/console/program_run.h"
#include "tests/support/test_env.h"

namespace console_test {
namespace {

const std::vector<std::wstring> kWords = {L"Cafe", L"Caf\u00e9", L"resume", L"r\u00e9sum\u00e9", L"U", L"\u00dc"};

std::vector<std::string> with(std::vector<std::string> a, const std::vector<std::string>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// Words (Id, Word unique, Note) with every word once; Uses (Id, Word) naming two of them, joined
// to Words.Word by a relationship.
std::string write_access_file(const std::string& path) {
  std::vector<std::unique_ptr<t_ftd>> owned;
  auto column = [&owned](udb_schema& schema, const wchar_t* name, VARTYPE vt, std::uint32_t size) {
    owned.push_back(std::make_unique<t_ftd>(size, name, vt, false, false, ole_variant(), 0, L""));
    schema.fields.push_back(owned.back().get());
  };
  udb_schema words{false}, uses{false};
  column(words, L"Id", VT_I4, 4);
  column(words, L"Word", VT_BSTR, 20);
  column(words, L"Note", VT_BSTR, 20);
  column(uses, L"Id", VT_I4, 4);
  column(uses, L"Word", VT_BSTR, 20);
  udb_indexes word_keys, use_keys;
  udb_index primary(L"PrimaryKey", true, true);
  primary.fields = {L"Id"};
  udb_index unique(L"ByWord", true, false);
  unique.fields = {L"Word"};
  word_keys.push_back(primary);
  word_keys.push_back(unique);
  use_keys.push_back(primary);

  dao_engine engine(true, 0);
  EXPECT_TRUE(engine.set_version_if(dao_code_acc2000));
  std::unique_ptr<udb_database> db = engine.create_db(tk_utf8_to_unicode(path));
  auto append = [](udb_recordset& table, int id, const std::wstring& word, const std::wstring* note) {
    udb_record record;
    record.append(std::make_unique<udb_field>(L"Id", 0, ole_variant(id), false, false));
    record.append(std::make_unique<udb_field>(L"Word", 0, ole_variant(word), false, false));
    if (note != nullptr) record.append(std::make_unique<udb_field>(L"Note", 0, ole_variant(*note), false, false));
    table.append_record(record);
  };
  {
    std::unique_ptr<udb_recordset> table = db->create_table(L"Words", words, word_keys);
    for (std::size_t i = 0; i < kWords.size(); ++i) append(*table, int(i) + 1, kWords[i], &kWords[i]);
  }
  {
    std::unique_ptr<udb_recordset> table = db->create_table(L"Uses", uses, use_keys);
    append(*table, 1, kWords[1], nullptr);
    append(*table, 2, kWords[5], nullptr);
  }
  udb_relationships keys;
  keys.push_back(udb_relationship(L"WordsUses", L"", L"Uses", L"Words", {L"Word"}, {L"Word"}, L""));
  db->create_relationships(keys);
  db->close();
  return path;
}

// The collation of the named columns, "table.column collation" each.
std::vector<std::string> collations(mysql_client& sql, const std::string& database) {
  return sql.column(
      "SELECT CONCAT(TABLE_NAME, '.', COLUMN_NAME, ' ', COLLATION_NAME) FROM information_schema.COLUMNS "
      "WHERE TABLE_SCHEMA = '" +
      database + "' AND COLLATION_NAME IS NOT NULL ORDER BY 1");
}

// The accent-sensitive, case-insensitive collation of `charset` the server lists, else its
// binary one.
std::string key_collation_of(mysql_client& sql, const std::string& charset) {
  for (const std::string& wanted : {charset + "_uca1400_as_ci", charset + "_0900_as_ci"}) {
    const std::string in = "IN ('" + wanted + "')";
    // Only MariaDB from 10.10 has the first statement; another server's refusal is no finding.
    if (mysql_query(sql.handle(), ("SELECT 1 FROM information_schema.COLLATION_CHARACTER_SET_APPLICABILITY "
                                   "WHERE FULL_COLLATION_NAME " +
                                   in)
                                      .c_str()) == 0) {
      MYSQL_RES* result = mysql_store_result(sql.handle());
      const bool listed = result != nullptr && mysql_num_rows(result) > 0;
      if (result != nullptr) mysql_free_result(result);
      if (listed) return wanted;
    }
    if (!sql.column("SELECT 1 FROM information_schema.COLLATIONS WHERE COLLATION_NAME " + in).empty()) return wanted;
  }
  return charset + "_bin";
}

void expect_every_row(mysql_client& sql, const std::string& database) {
  SCOPED_TRACE(database);
  std::vector<std::string> words;
  for (const std::wstring& w : kWords) words.push_back(tk_unicode_to_utf8(w));
  EXPECT_EQ(sql.column("SELECT Word FROM " + quoted(database) + ".Words ORDER BY Id"), words);
  EXPECT_EQ(sql.column("SELECT Word FROM " + quoted(database) + ".Uses ORDER BY Id"),
            (std::vector<std::string>{words[1], words[5]}));
  EXPECT_EQ(sql.column("SELECT CONSTRAINT_NAME FROM information_schema.REFERENTIAL_CONSTRAINTS WHERE "
                       "CONSTRAINT_SCHEMA = '" +
                       database + "'"),
            std::vector<std::string>{"FK_Words_Uses"});
}

TEST(VdyagentAccentKeys, EveryKeyArrivesLiveAndFromADump) {
  const test_env::server_address server = test_env::test_server();
  ASSERT_FALSE(server.host.empty());
  const std::string folder = test_env::make_temp_dir();
  const std::string src = write_access_file(folder + "/accents.mdb");
  mysql_client sql(server);
  ASSERT_TRUE(sql.ok());

  struct charset_case {
    std::string charset;  // --charset, or empty for the default (utf8mb4)
    std::string name;
  } cases[] = {{"", "utf8mb4"}, {"latin1", "latin1"}};
  for (const charset_case& c : cases) {
    SCOPED_TRACE(c.name);
    std::vector<std::string> options = {"--src=" + src, "--silent"};
    if (!c.charset.empty()) options.push_back("--charset=" + c.charset);
    const std::string live = "e2e_accents_live_" + c.name;
    const std::string dumped = "e2e_accents_dump_" + c.name;
    const std::string dump = folder + "/" + dumped + ".sql";

    const program_result to_server =
        run_vdyagent_logged(with(with(options, {"--dest=" + live}), server_options(server)));
    EXPECT_EQ(to_server.exit_code, 0) << to_server.out << to_server.err << to_server.log;
    const program_result to_dump = run_vdyagent_logged(with(options, {"--dump", "--dest=" + dump}));
    EXPECT_EQ(to_dump.exit_code, 0) << to_dump.out << to_dump.err << to_dump.log;
    sql.execute("DROP DATABASE IF EXISTS " + dumped);
    sql.execute("CREATE DATABASE " + dumped + " CHARACTER SET " + c.name);
    EXPECT_EQ(load_dump(server, dumped, dump), "");

    expect_every_row(sql, live);
    expect_every_row(sql, dumped);

    // The key columns at both ends of the relationship keep accents apart; the other text
    // column keeps the database's default.
    const std::string fallback = sql.column(
                                        "SELECT DEFAULT_COLLATION_NAME FROM information_schema.SCHEMATA WHERE "
                                        "SCHEMA_NAME = '" +
                                        live + "'")
                                     .at(0);
    for (const auto& [database, key] :
         {std::pair{live, key_collation_of(sql, c.name)}, std::pair{dumped, c.name + "_bin"}}) {
      EXPECT_EQ(collations(sql, database),
                (std::vector<std::string>{"Uses.Word " + key, "Words.Note " + fallback, "Words.Word " + key}))
          << database;
      const std::vector<sql_row> create = sql.rows("SHOW CREATE TABLE " + quoted(database) + ".Words");
      ASSERT_EQ(create.size(), 1u);
      const std::string& text = *create[0][1];
      const std::size_t word = text.find("`Word` varchar(20)");
      ASSERT_NE(word, std::string::npos) << text;
      const std::string line = text.substr(word, text.find('\n', word) - word);
      EXPECT_NE(line.find(" COLLATE " + key), std::string::npos) << line;
    }
    std::ifstream in(dump, std::ios::binary);
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("COLLATE " + c.name + "_bin"), std::string::npos);
  }
}

}  // namespace
}  // namespace console_test
