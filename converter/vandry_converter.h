// The converter: the one object that owns every setting of a conversion (source, destination,
// mode, options, selections, the user's column changes), keeps them in the settings store and in
// profiles, checks source and destination, and performs a conversion run.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_regk.h"
#include "TK/tk_singleton.h"
#include "UDB/udb_database.h"
#include "UDB/udb_schema.h"
#include "common/acc_converter_impl.h"
#include "common/mysql_converter_impl.h"
#include "common/sql_db_mutator.h"
#include "converter/udb_converter.h"

class udb_profile;
class dates_map;
class vandry_dropped_fractions;

// A schema that owns copies of its descriptors, for a caller that keeps it after the source
// it was read from has closed.
class owned_schema : public udb_schema {
 public:
  explicit owned_schema(const udb_schema& schema);

 private:
  std::vector<std::unique_ptr<t_ftd>> copies_;
};

// Which program the converter serves, fixed at construction: the console loads a few settings
// and stores none, the wizard loads and stores them all; the console's run also converts every
// table when none is selected and warns of selected tables the source lacks.
enum class converter_program { console, wizard };

class vandry_converter : public udb_converter,
                         public acc_converter_impl,
                         public mysql_converter_impl,
                         public tk_serializer,
                         public sql_db_mutator,
                         public tk_singleton<vandry_converter> {
 public:
  // Registers itself when no converter is registered, then loads the stored settings.
  explicit vandry_converter(converter_program program);
  // The wizard stores its settings (unless keep_stored_settings); the console stores nothing.
  ~vandry_converter() override;

  // Exchanges the settings with the per-user store (store true: write). False when the store
  // cannot be opened or a value failed.
  bool serialize(bool store);

  // A settings profile: load applies what the file holds on top of the current settings, store
  // writes every setting (the file readable by its owner only: it holds passwords).
  bool load_profile(const std::wstring& path);
  bool load_settings(udb_profile& profile);
  bool store_profile(const std::wstring& path);
  bool store_settings(udb_profile& profile);

  // Clears the way for a run: drops an existing server database in mode 0; checks a dump file's
  // path, which must not name the source nor anything but a regular file (an old dump is
  // replaced only when the new one is written). Raises the checks' messages.
  void check_dest();
  bool can_create_views();
  // The source's tables, its select queries (name, SQL text) and one table's columns.
  void get_all_tables(std::vector<std::wstring>& tables);
  udb_database::view_list& get_all_views(udb_database::view_list& views);
  std::unique_ptr<udb_schema> get_schema(const std::wstring& table);
  bool test_query(const std::wstring& sql) override;
  // The destination database of a run (caller owns it): a dump file or a server database.
  std::unique_ptr<udb_database> open_destination();

  // One whole conversion; reports every failure and never throws.
  void operator()();
  void run() override { (*this)(); }

  // "Ostrelle 8.3 ": the program's title and the dump's creator text.
  static std::string get_title();

  converter_program program;
  bool direct = true;          // true: a live server; false: a dump file
  std::uint32_t bool_map = 0;  // 0: true is 1; otherwise Access's true, -1
  // Set when the settings in memory must not replace the stored ones: a profile that failed to
  // load may have applied only part of itself.
  bool keep_stored_settings = false;
  // Set by the wizard once the user has settled the destination: the run then clears it
  // (check_dest) as its first step, so nothing is dropped before the user starts the run.
  bool check_dest_first = false;
  // Destination tables the last run created or opened for its rows; 0 when it converted nothing.
  std::uint32_t tables_written = 0;

 protected:
  bool dest_is_file() const override { return !direct; }

 private:
  struct run_state;
  // The run from opening the source to releasing everything; throws what the run level handles.
  void run_conversion();
  // Connects the server again after a lost connection; when it cannot, reports that once and
  // ends the run (tk_final_exception).
  void reconnect(run_state& run);
  // One item (table or user query) and its rows; reports its own failures.
  void convert_item(run_state& run, const item& entry);
  // Copies the rows, then reports each column whose dates lost a fraction of a second.
  void copy_rows(const std::wstring& name, sql_table_mutator* mutator, udb_recordset& in, udb_recordset& out,
                 dates_map& dates);
  void copy_each_row(const std::wstring& name, sql_table_mutator* mutator, udb_recordset& in, udb_recordset& out,
                     dates_map& dates, vandry_dropped_fractions& fractions);
  // After the rows: the destination learns every renamed table and column, then gets the foreign
  // keys between converted tables and the views.
  void finish_destination(run_state& run);
};
