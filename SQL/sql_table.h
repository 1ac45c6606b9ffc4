// A table on the live server as the conversion's destination: its definition read back from the
// server (columns, indexes, foreign keys, storage engine), rows appended in batches or one by
// one, and rows updated or deleted by key.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "SQL/sql_batch_sender.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_recordset.h"
#include "SQL/sql_row_batch.h"
#include "TK/tk_logger.h"

class t_ftd;
class udb_field;

// The rows of a batch that the server refused one by one, each with its number (counted from 1
// in the order the rows were appended to the table object) and the server's own error. The
// message names every refused row; the code is 0, so that a handler testing for one row's
// duplicate key never takes these rows for the row it just appended.
class sql_rows_exception : public tk_exception {
 public:
  explicit sql_rows_exception(std::vector<std::pair<std::uint64_t, sql_exception>> rows);

  std::vector<std::pair<std::uint64_t, sql_exception>> rows;
};

class sql_table : public sql_recordset {
 public:
  // Made by sql_database::get_table. open_flags: any bit outside 0x60 also reads the indexes
  // and (from 3.23.44) the foreign keys, which are appended to relationships.
  sql_table(sql_database* database, const std::wstring& table, udb_relationships* relationships,
            std::uint32_t open_flags);
  // Sends the pending batch; failures can only be logged here, so writers call flush first.
  ~sql_table() override;

  // Writes one row, matched to the table's columns by name. Batched (a batch of rows goes as
  // one INSERT with array binding, one LOAD DATA or one multi-row INSERT, stored while the next
  // batch is built) while the engine's fast_insert is on and the table's storage engine is
  // transactional, else one INSERT a row; values over 1048576 bytes go as long data. A row the
  // server refuses is a sql_exception (duplicate key: code 0x400426); refused rows of an
  // earlier batch arrive as sql_rows_exception. The row count grows for each row not refused.
  // Rows are never written with REPLACE (which deletes first, cascading to child rows), whatever
  // the database's mode word says: a duplicate key reaches the caller, who updates by key.
  // Writers that act on each duplicate (merge, synchronise) turn fast_insert off.
  void append_record(udb_record& record) override;
  // Sends the pending batch and waits for the server. A refused batch is retried row by row,
  // so that every good row is stored; the refused rows are then a sql_rows_exception.
  void flush();
  // Waits for the batch in flight (sent while the next one is built) and retries its rows one
  // by one when the server refused it; the refused rows are reported by the next append_record
  // or flush. Never throws.
  void settle() noexcept;

  // Sets every non-key column of the row addressed by the row's own key columns. Nothing is
  // sent (only logged) without a key or without the key's values. A refusal is a sql_exception.
  void update1(udb_record& record) override;
  // Sets every column of the row, for the rows a key text selects.
  void update2(udb_record& record, const std::wstring& key_text) override;
  // Deletes the rows a key text selects / whose columns equal the key record's fields.
  void delete_key(const std::wstring& key_text) override;
  void delete_key(const udb_record& key) override;

  // Reads the table's definition back from the server.
  void initialize(std::uint32_t open_flags);
  // The table's indexes as the server lists them (SHOW INDEX), under the server's names.
  static udb_indexes read_indexes(sql_database& database, const std::wstring& table);

  // The storage engine SHOW CREATE TABLE names (empty when it was not read).
  const std::wstring& storage_engine() const { return storage_engine_; }
  // True for engines where a refused multi-row INSERT leaves no row behind.
  bool is_transactional() const;

 private:
  using column_pairs = std::vector<std::pair<const udb_field*, const t_ftd*>>;
  // Pairs each row field with its table column by name; a field without a column, or a column
  // without a field when the row is not smaller than the table, is a tk_exception (kind 0).
  column_pairs match_columns(const udb_record& row, tk_log_level log_level) const;
  // match_columns through the cache of the last row's matching (the INSERT head is then
  // matched_head_); the pairs stay valid until the next call.
  const column_pairs& match_cached(const udb_record& row);
  std::string column_list(const column_pairs& pairs, bool always_quote) const;
  // For each row field the table has a column for: the column name and "`column`=value".
  std::vector<std::pair<std::wstring, std::string>> column_terms(const udb_record& row) const;
  std::string quoted_table() const;
  // convert_record through the columns found for the last row of the same field names.
  void convert_cached(udb_record& row);
  void fast_append(udb_record& row);
  void slow_append(udb_record& row);
  // The batch limit: 500000 bytes, less when the server's packet limit is smaller. Two batches
  // are held at once (one built, one stored), so the limit sets the writer's memory; batches of
  // 1000000 bytes were no faster.
  std::size_t batch_limit();
  // Sends the pending batch without waiting for the server's answer.
  void send_batch();
  // Whether batches of this table may go in one statement from their LOAD DATA text: as an
  // INSERT with array binding where the server offers it, else as LOAD DATA from memory where
  // the connection can, the server names its character set plainly and has not refused such a
  // load before.
  bool may_load_rows();
  // Whether every pending row has its LOAD DATA form and the table may load rows.
  bool pending_loadable();
  // For a bulk INSERT, splits the pending rows' LOAD DATA text into its arrays and converts the
  // columns that may go in binary form (batch_kinds_): work done while the server still stores
  // the batch before.
  void stage_batch();
  // Stores a batch of rows whose LOAD DATA forms are staged (stage_batch) in one statement
  // (may_load_rows), in the table's transaction under a savepoint, on the sender's thread while
  // the caller builds the next batch. finish_load (from settle) keeps the batch only when the
  // server stored every row without a warning (LOAD DATA turns refusals into warnings);
  // otherwise the rows go again as INSERT, which refuses each bad row by its number.
  void load_batch(sql_row_batch& rows);
  void finish_load();
  // Ends the table's open transaction, keeping its rows; when the server cannot, those rows
  // are lost with the connection's error.
  void commit_rows();
  // Rolls the table's transaction back when the server is still there, then loses its rows and
  // count rows of the batch.
  void abandon_transaction(std::size_t count, const sql_exception& error);
  // The rows as INSERT under head, the way send_batch sends them, waiting for the server.
  void insert_batch(const sql_row_batch& rows, const std::string& head);
  // Stores what it can of a refused batch, row by row, noting each refused row.
  void retry_rows(const sql_row_batch& rows, const std::string& head, const sql_exception& error);
  // Forgets count rows of a batch, the rows of the open transaction and the rows not yet sent,
  // after the connection was lost;
  // the table's next append_record or flush throws that error.
  void lose_rows(std::size_t count, const sql_exception& error);
  // A statement of this many bytes fits the server's max_allowed_packet, or
  // sql_packet_too_large_exception.
  void check_packet(std::size_t statement_bytes);
  // The refused rows as one sql_rows_exception; without any, the lost connection's error.
  void throw_deferred();

  // The matching of the last row, reused while rows bring the same field names in the same
  // order (every row of a conversion does): field positions with their columns, and the head.
  std::vector<std::wstring> matched_names_;
  std::vector<std::pair<std::size_t, const t_ftd*>> matched_;
  std::string matched_head_;
  // How a bulk INSERT may bind each matched column, and each column of the open batch.
  std::vector<sql_bulk_kind> matched_kinds_;
  std::vector<sql_bulk_kind> batch_kinds_;
  column_pairs row_pairs_;  // of the row match_cached saw last
  // The field names of the row convert_cached last retyped the long way, and the type of the
  // column of each.
  std::vector<std::wstring> converted_names_;
  std::vector<VARTYPE> converted_types_;
  std::string batch_head_;  // "INSERT INTO `t`(`a`, `b`)" of the open batch
  // The rows of the open batch, as INSERT text. Their LOAD DATA text is in pending_load_.
  sql_row_batch pending_;
  sql_row_batch in_flight_;  // rows of the batch the server is storing
  std::string in_flight_head_;
  // The LOAD DATA or bulk INSERT batch in flight (its rows are in_flight_), and the buffers the
  // next one is written into, which keep their room from batch to batch. pending_load_ holds
  // the pending rows as LOAD DATA text while pending_loadable_ (every one has that form), split
  // by stage_batch for a bulk INSERT; row_values_ and row_fields_ are one row's texts while
  // they are made.
  sql_batch_sender sender_;
  std::string load_statement_;
  sql_bulk_rows pending_load_;
  bool pending_loadable_ = true;
  std::string row_values_;
  std::string row_fields_;
  // Rows refused by the server, reported at the next append_record or flush.
  std::vector<std::pair<std::uint64_t, sql_exception>> deferred_;
  // The error that lost the connection while a batch was stored.
  std::optional<sql_exception> lost_;
  // Batches loaded since the table's transaction began (one commit a table, not a batch): the
  // rows stored in it so far, which a lost connection takes with it.
  bool in_transaction_ = false;
  std::size_t uncommitted_rows_ = 0;
  std::size_t batch_limit_ = 0;
  // The size the open batch may grow to: from an eighth of the limit, doubled at each batch.
  std::size_t batch_room_ = 0;
  std::uint64_t rows_appended_ = 0;
  std::wstring storage_engine_;
  // Whether batches go in one statement (unknown, yes, no), whether that statement is a
  // prepared INSERT with array binding rather than LOAD DATA, and the character set LOAD DATA
  // names.
  int load_rows_state_ = 0;
  bool bulk_rows_ = false;
  std::string load_charset_;
};
