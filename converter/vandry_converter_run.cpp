// The conversion run: the source opened, the destination opened or created, each table or user
// query copied with its rows, then foreign keys and views, every failure reported.
#include <cinttypes>
#include <cstdarg>
#include <set>
#include <tuple>

#include "OLE/ole_bool_map.h"
#include "SQL/sql_database.h"
#include "SQL/sql_exception.h"
#include "SQL/sql_table.h"
#include "SQL/sql_values.h"
#include "TK/tk_addresses.h"
#include "TK/tk_format.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_name_compare.h"
#include "UDB/udb_recordset.h"
#include "UDB/udb_validator.h"
#include "common/error_handler.h"
#include "common/front_end.h"
#include "common/init_conversion.h"
#include "common/types_map.h"
#include "converter/vandry_converter.h"
#include "converter/vandry_dropped_fractions.h"
#include "converter/vandry_view_scope.h"
#include "dao/dao_database.h"
#include "dao/dao_engine.h"
#include "dao/dao_exception.h"

namespace {

constexpr std::uint32_t kDuplicateKey = 0x400426;  // MySQL 1062
constexpr std::size_t kProgressLineLimit = 259;    // characters, as the progress box holds

const char kRuntimeText[] =
    "Failed to load Data Access Objects (DAO) support library. Installing Microsoft Access Runtime may fix the "
    "problem.";
const char kRuntimeCaption[] = "Download Microsoft Access Runtime";

conversion_front_end* front_end() {
  return conversion_front_end::exists() ? conversion_front_end::get_instance() : nullptr;
}

// Reports through the error handler; without one the error only reaches the log.
void report(const tk_exception& e, bool no_abort) {
  if (error_handler::exists()) {
    error_handler::get_instance()->handle(e, no_abort);
  } else {
    tk_log1(tk_log_event, "Error:\n%s", e.what());
  }
}

void set_context(const std::wstring& table) {
  if (error_handler::exists()) error_handler::get_instance()->set_context(table);
}

void set_context(const std::wstring& table, std::uint64_t record) {
  if (error_handler::exists()) error_handler::get_instance()->set_context(table, static_cast<std::uint32_t>(record));
}

// The row arrived, but a value MySQL has no form for (a NaN or an infinity) did not: the writers
// put NULL or the column's default in its place, and the user learns which value it was.
void report_unstorable_values(const std::wstring& table, std::uint64_t record, const udb_record& row) {
  for (const auto& field : row.fields) {
    if (!sql_is_unstorable_number(*field)) continue;
    set_context(table, record);
    report(tk_exception("Column '" + tk_unicode_to_utf8(field->name) + "': the value " + field->to_string() +
                            " has no MySQL form and is lost (NULL or the column's default was written)",
                        tk_kind_continuable),
           false);
  }
}

// The row arrived with a value the source could not read as meant (an attachment not in Access's
// stored form, a calculated value of a result type no one knows): the user learns which value it
// was and what became of it.
void report_values_kept_as_stored(const std::wstring& table, std::uint64_t record, const udb_record& row) {
  for (const auto& field : row.fields) {
    if (field->kept_as_stored.empty()) continue;
    set_context(table, record);
    report(
        tk_exception("Column '" + tk_unicode_to_utf8(field->name) + "': " + field->kept_as_stored, tk_kind_continuable),
        false);
  }
}

// Each column whose dates or times lost their fraction of a second, once for the table.
void report_dropped_fractions(const std::wstring& table, const vandry_dropped_fractions& fractions) {
  for (const vandry_dropped_fractions::column& c : fractions.columns()) {
    set_context(table);
    report(tk_exception(vandry_dropped_fractions::report_text(c), tk_kind_continuable), false);
  }
}

std::wstring progress_line(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring line;
  if (!tk_vformat_wide(format, args, kProgressLineLimit, line)) line.clear();
  va_end(args);
  return line;
}

// The foreign keys a server database holds; none for a dump, which starts empty.
std::vector<std::wstring> existing_foreign_keys(udb_database& destination) {
  std::vector<std::wstring> names;
  if (dynamic_cast<sql_database*>(&destination) == nullptr) return names;
  std::unique_ptr<udb_recordset> result = destination.query(
      L"SELECT CONSTRAINT_NAME FROM information_schema.REFERENTIAL_CONSTRAINTS WHERE CONSTRAINT_SCHEMA = DATABASE()");
  if (!result) return names;
  for (result->reset(); !result->is_eof(); result->next()) {
    udb_record* row = result->get_item();
    if (row != nullptr && !row->fields.empty()) names.push_back(row->fields[0]->to_wstring());
  }
  return names;
}

// A lost connection is reported once for the table it ended, with the client library's reason
// (a server that went away, or one that did not answer in time).
tk_exception lost_connection_report(const sql_exception& e) {
  return tk_exception(
      "The connection to the MySQL server was lost (" + std::string(e.what()) + "); the table is incomplete.",
      tk_kind_continuable);
}

bool is_lost(const tk_exception& e) {
  const auto* server = dynamic_cast<const sql_exception*>(&e);
  return server != nullptr && server->is_connection_lost();
}

bool same_item(const udb_converter::item& a, const udb_converter::item& b) {
  return udb_same_name(a.first, b.first) && a.second == b.second;
}

// The columns of source table `table` that a foreign key joins, at either end, under the names
// the table's rules give them (a deleted column is left out).
std::set<std::wstring> joined_columns_of(const std::wstring& table, const sql_table_mutator* mutator,
                                         const udb_relationships& keys) {
  udb_index joined(L"", false, false);
  for (const udb_relationship& key : keys) {
    if (udb_same_name(key.table, table))
      joined.fields.insert(joined.fields.end(), key.fields.begin(), key.fields.end());
    if (udb_same_name(key.ref_table, table))
      joined.fields.insert(joined.fields.end(), key.ref_fields.begin(), key.ref_fields.end());
  }
  udb_indexes renamed;
  renamed.items.push_back(joined);
  if (mutator != nullptr) modify3(*mutator, renamed);
  return {renamed[0].fields.begin(), renamed[0].fields.end()};
}

}  // namespace

// What the items of one run share.
struct vandry_converter::run_state {
  udb_database* source = nullptr;
  udb_database* destination = nullptr;
  udb_validator* validator = nullptr;
  bool batching = true;  // the engine's batching value after the destination opened
  bool lost = false;     // the server connection was lost and not yet made again
  // Source names of the items whose destination table exists after the run's work on them.
  std::vector<std::wstring> present;
  // (destination table, source column, destination column) of every renamed column.
  std::vector<std::tuple<std::wstring, std::wstring, std::wstring>> renamed_columns;
};

void vandry_converter::operator()() {
  tk_log1(tk_log_detail, "vandry_converter::operator()");
  init_conversion scope(&done, 1);
  tables_written = 0;
  if (bool_map == 1) tk_log1(tk_log_detail, "Mapping BOOLs in MS fashion");
  ole_bool_map bools(bool_map != 0 ? 1 : 0);
  try {
    if (check_dest_first) check_dest();
    run_conversion();
  } catch (const dao_required_exception&) {
    tk_log1(tk_log_event, "%s", kRuntimeText);
    if (!silent && front_end() != nullptr)
      front_end()->engine_required(kRuntimeText, kRuntimeCaption, tk_runtime_download_address);
  } catch (const tk_final_exception&) {
    tk_log1(tk_log_detail, "The conversion was stopped");
  } catch (const tk_exception& e) {
    report(e, true);
  } catch (const std::exception& e) {
    tk_log1(tk_log_event, "ERROR:\n%s", e.what());
    if (!silent && front_end() != nullptr) front_end()->run_failed(e.what());
  }
  tk_log1(tk_log_detail, ">>> At the END - REALLY! <<<");
}

void vandry_converter::run_conversion() {
  // Batching stays as the engine has it: the row writers batch only where a refused batch leaves
  // no row behind and retry it row by row.
  dao_engine dao(true, 0);
  dao.set_version_smart(src);
  if (uses_workgroup()) {
    dao.set_ugl_info(sysdb, ugl_user, ugl_password);
  } else {
    tk_log1(tk_log_detail, "UGL info NOT found - set anonymous");
    dao.set_anonymous_sys_db();
  }
  std::unique_ptr<udb_database> source = dao.open_db(src, convert_views ? 0x01 : 0x81, acc_pswd);
  std::unique_ptr<udb_database> destination = open_destination();
  tk_log1(tk_log_trace, "After initializing DBs");
  destination->report_error = [](const std::string& context, const tk_exception& e) {
    if (error_handler::exists()) error_handler::get_instance()->set_context(tk_utf8_to_unicode(context));
    report(e, false);
  };
  run_state run;
  run.source = source.get();
  run.destination = destination.get();
  run.batching = engine.fast_insert;

  if (program == converter_program::console) {
    if (selected_tables.empty() && items.empty()) {
      tk_log1(tk_log_trace, "Setting all tables");
      selected_tables = source->get_table_names();
    }
    if (selected_views.empty()) {
      tk_log1(tk_log_trace, "Setting all views");
      selected_views = source->views;
    }
  }
  // A table named twice (in a profile and in a table-names file, say) is converted once.
  for (const std::wstring& table : selected_tables) {
    const item entry{table, L""};
    bool known = false;
    for (const item& i : items) known = known || same_item(i, entry);
    if (!known) items.push_back(entry);
  }
  item_list work;
  for (const item& entry : items) {
    bool known = false;
    for (const item& w : work) known = known || same_item(w, entry);
    if (!known) work.push_back(entry);
  }
  tables_total = static_cast<std::uint32_t>(work.size());
  tables_done = 0;

  const std::wstring heading =
      progress_line(L"Converting database %ls (%d tables)\r\n", src.c_str(), static_cast<int>(tables_total.load()));
  tk_log2(tk_log_event, L"%ls", heading.c_str());
  if (!silent && front_end() != nullptr) front_end()->write_log(heading);

  tk_log1(tk_log_trace, "sql_engine::create_tn_validator");
  tk_log1(tk_log_trace, "is_old_version(%08X)", engine.version);
  std::unique_ptr<udb_validator> validator =
      engine.create_tn_validator(selected_tables, destination->get_table_names());
  run.validator = validator.get();

  // Saved queries or relationships the damaged file would not give up are not converted: say so.
  if (const auto* access = dynamic_cast<const dao_database*>(source.get())) {
    for (const tk_exception& e : access->damaged_parts) {
      set_context(L"");
      report(e, false);
    }
  }

  for (const item& entry : work) {
    if (stop_requested()) throw tk_final_exception();
    if (run.lost) reconnect(run);
    convert_item(run, entry);
    ++tables_done;
  }

  if (run.lost) reconnect(run);
  finish_destination(run);
  set_context(L"");
  tables_done = 0;
  tables_total = 0;
  tk_log1(tk_log_detail, ">>> Almost at the END <<<");
  // A dump is written only once its end is, a new Access file once it is closed: a full disk
  // shows here, as the run's failure, not as a file that ends halfway.
  destination->close();
}

void vandry_converter::reconnect(run_state& run) {
  try {
    engine.reconnect();
    run.lost = false;
    tk_log1(tk_log_event, "Reconnected to MySQL server");
  } catch (const tk_exception& e) {
    set_context(L"");
    report(tk_exception("Cannot reconnect to the MySQL server (" + std::string(e.what()) + "). The conversion stops.",
                        tk_kind_error),
           true);
    throw tk_final_exception();
  }
}

void vandry_converter::convert_item(run_state& run, const item& entry) {
  const std::wstring& name = entry.first;
  set_current_table(name);
  records_total = 0;
  records_done = 0;
  try {
    const bool is_query = !entry.second.empty();
    if (program == converter_program::console && !is_query && !run.source->is_table_exist(name)) {
      tk_log2(tk_log_event, L"Table %ls not exists", name.c_str());
      if (!silent && front_end() != nullptr) front_end()->write_warning(L"Table " + name + L" not exists\n");
      return;
    }
    std::unique_ptr<udb_recordset> in =
        is_query ? run.source->get_query(name, entry.second, 1) : run.source->get_table(name, 1);
    if (!in) {
      tk_log2(tk_log_event, L"Skip linked table '%ls'", name.c_str());
      return;
    }
    tk_log2(tk_log_detail, L"udb_db_mutator::modify1(%ls)", name.c_str());
    std::wstring target = name;
    sql_table_mutator* mutator = get_table_mutator3(name);
    if (mutator != nullptr) {
      modify3(*mutator, in->indexes);
      target = mutator->modify1(in->schema);
    }
    if (!run.validator->is_acceptable(target)) target = run.validator->get_safe_name(target);

    // The foreign keys and views made after the rows name tables and columns by their source
    // names: the destination learns every name that changed.
    if (target != name) {
      tk_log2(tk_log_detail, L"udb_database::add_tn_mapping(%ls->%ls)", name.c_str(), target.c_str());
      run.destination->add_tn_mapping(name, target);
    }
    if (mutator != nullptr) {
      for (const auto& [column, field] : mutator->by_source) {
        if (field->action != udb_drop_column && !field->new_name.empty() && field->new_name != column) {
          run.renamed_columns.emplace_back(target, column, field->new_name);
        }
      }
    }

    engine.fast_insert = run.batching;
    if (run.destination->is_table_exist(target)) {
      if (conversion_mode == mode_skip_tables) {
        run.present.push_back(name);
        return;
      }
      if (conversion_mode == mode_overwrite_tables) run.destination->delete_tab(target);
      if (conversion_mode == mode_merge || conversion_mode == mode_synchronize) engine.fast_insert = false;
    }
    udb_indexes indexes;
    if (!skip_idx) {
      indexes = in->indexes;
      // An index whose every column the user deleted has nothing left to index.
      drop_empty_indexes(indexes);
    }
    run.destination->joined_columns[target] = joined_columns_of(name, mutator, run.source->relationships);
    std::unique_ptr<udb_recordset> out = run.destination->create_table(target, in->schema, indexes);
    ++tables_written;
    run.present.push_back(name);
    if (!run.validator->is_acceptable(name)) {
      tk_log2(tk_log_detail, L"Store generated table name '%ls'", target.c_str());
      tk_log2(tk_log_trace, L"udb_validator::add_existing_name(%ls)", target.c_str());
      run.validator->add_existing_name(target);
    }
    run.validator->restricted_names.push_back(target);

    records_total = in->row_count;
    const std::wstring line = progress_line(L"Converting table '%ls' (%" PRIu64 L" records)\r\n", name.c_str(),
                                            static_cast<std::uint64_t>(records_total.load()));
    tk_log2(tk_log_event, L"%ls", line.c_str());
    if (!silent && front_end() != nullptr) front_end()->write_log(line);

    // Statistics of the date columns' values, for the log only; released before the destination
    // recordset, as the item's other objects are.
    dates_map dates(target, in->schema, true);
    if (records_total != 0 && !tab_def) copy_rows(name, mutator, *in, *out, dates);
    // Rows still waiting in a batch go now, so that their failures are this table's.
    if (auto* table = dynamic_cast<sql_table*>(out.get())) {
      try {
        table->flush();
      } catch (const sql_rows_exception& e) {
        set_context(name);
        report(e, false);
        table->flush();  // a connection lost after those rows still ends the table
      }
    }
  } catch (const tk_exception& e) {
    set_context(name);
    if (is_lost(e)) {
      run.lost = true;
      report(lost_connection_report(dynamic_cast<const sql_exception&>(e)), false);
    } else {
      report(e, false);
    }
  }
}

void vandry_converter::copy_rows(const std::wstring& name, sql_table_mutator* mutator, udb_recordset& in,
                                 udb_recordset& out, dates_map& dates) {
  vandry_dropped_fractions fractions;
  try {
    copy_each_row(name, mutator, in, out, dates, fractions);
  } catch (const tk_exception&) {
    // The values copied before the table failed lost their fractions all the same.
    report_dropped_fractions(name, fractions);
    throw;
  }
  report_dropped_fractions(name, fractions);
}

void vandry_converter::copy_each_row(const std::wstring& name, sql_table_mutator* mutator, udb_recordset& in,
                                     udb_recordset& out, dates_map& dates, vandry_dropped_fractions& fractions) {
  // Merging and synchronising gather no date statistics.
  const bool date_statistics = conversion_mode != mode_merge && conversion_mode != mode_synchronize;
  in.reset();
  while (!in.is_eof()) {
    if (stop_requested()) throw tk_final_exception();
    tk_log1(tk_log_trace, "Converting %d record", static_cast<int>(records_done + 1));
    udb_record* row = nullptr;
    try {
      row = in.get_item();
      if (row != nullptr) report_values_kept_as_stored(name, records_done + 1, *row);
      tk_log2(tk_log_detail, L"udb_db_mutator::modify2(%ls)", name.c_str());
      if (row != nullptr && mutator != nullptr && !mutator->by_source.empty()) {
        row = &mutator->modify2(*row);
      } else {
        tk_log2(tk_log_detail, L"Not found: '%ls'", name.c_str());
      }
      if (row != nullptr) {
        // Counted after the user's column changes: a dropped column lost nothing, a renamed one
        // is named as the destination has it.
        fractions.note(*row, records_done + 1);
        out.append_record(*row);
        report_unstorable_values(name, records_done + 1, *row);
        // The statistics only reach the log: with its lines not written, no value is read.
        if (date_statistics && tk_log_wanted(tk_log_trace)) dates.add_rec_stat(*row);
      }
    } catch (const sql_rows_exception& e) {
      // Rows of an earlier batch, each named in the report.
      set_context(name);
      report(e, false);
    } catch (const sql_exception& e) {
      tk_log1(tk_log_trace, "GOT ERROR: %s (%08X)", e.what(), e.code());
      if (e.is_connection_lost()) throw;
      if (e.code() == kDuplicateKey && conversion_mode == mode_synchronize && row != nullptr) {
        // The row as the user's changes made it: renamed columns and the key stay intact. A
        // refused update is this row's failure; the table goes on.
        try {
          out.update1(*row);
        } catch (const sql_exception& refused) {
          if (refused.is_connection_lost()) throw;
          set_context(name, records_done + 1);
          report(refused, false);
        }
      } else if (!(e.code() == kDuplicateKey && conversion_mode == mode_merge)) {
        set_context(name, records_done + 1);
        report(e, false);
      }
    } catch (const sql_prep_stmt_failed_exception& e) {
      // One row the server did not take as a prepared statement; the connection serves on.
      set_context(name, records_done + 1);
      report(e, false);
    } catch (const sql_packet_too_large_exception& e) {
      set_context(name, records_done + 1);
      report(e, false);
    }
    in.next();
    ++records_done;
  }
}

void vandry_converter::finish_destination(run_state& run) {
  udb_names_map& names = run.destination->names_map;
  for (const auto& [table, column, renamed] : run.renamed_columns) {
    // A name the destination had to change again (sanitised) keeps that change.
    names.field_maps[table][column] = names.get_fn_mapped_name(table, renamed, true);
  }

  auto converted = [&run](const std::wstring& table) {
    for (const std::wstring& p : run.present) {
      if (udb_same_name(p, table)) return true;
    }
    return false;
  };
  // A run over an earlier result finds its foreign keys in place.
  const std::vector<std::wstring> existing = existing_foreign_keys(*run.destination);
  auto exists = [&existing](const std::wstring& name) {
    for (const std::wstring& e : existing) {
      if (udb_same_name(e, name)) return true;
    }
    return false;
  };
  udb_relationships keys;
  for (const udb_relationship& r : run.source->relationships) {
    if (exists(r.name)) {
      tk_log2(tk_log_detail, L"Foreign key '%ls' exists already", r.name.c_str());
    } else if (converted(r.table) && converted(r.ref_table)) {
      keys.push_back(r);
    } else {
      tk_log2(tk_log_event, L"Foreign key '%ls' joins a table that was not converted (%ls, %ls), skip it",
              r.name.c_str(), r.table.c_str(), r.ref_table.c_str());
    }
  }
  if (!keys.empty()) run.destination->create_relationships(keys);
  if (convert_views && !selected_views.empty() && can_create_views()) {
    // Called even when every view is left out: the dump ends its table locks here.
    run.destination->create_views(vandry_views_in_scope(selected_views, converted));
  }
}
