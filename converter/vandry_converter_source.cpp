// The converter's checks and source lists: the destination check, whether views can be made,
// the source's tables, views and one table's columns, and opening the destination of a run.
#include "SQL/dmp_database.h"
#include "TK/tk_exception.h"
#include "TK/tk_fname.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "common/common_check_dest.h"
#include "converter/vandry_converter.h"
#include "dao/dao_engine.h"

namespace {

// The source opened read-only for a look at it; the database goes before its engine.
struct source_view {
  dao_engine engine{true, 0};
  std::unique_ptr<udb_database> database;
};

}  // namespace

owned_schema::owned_schema(const udb_schema& schema) : udb_schema(schema) {
  for (t_ftd*& field : fields) {
    copies_.push_back(std::make_unique<t_ftd>(*field));
    field = copies_.back().get();
  }
}

void vandry_converter::check_dest() {
  tk_log1(tk_log_trace, "vandry_converter::check_dest()");
  if (direct) {
    tk_log2(tk_log_detail, L"mysql_converter_impl::is_mysql_base_exist( %ls )", dest.c_str());
    if (engine.is_db_exist(dest) && conversion_mode == mode_overwrite_database) del_mysql_base(dest);
    return;
  }
  common_check_dest(dest);
  // An old dump stays until the new one is whole: the dump writer renames it into place.
  common_check_dump_target(dest, src);
}

bool vandry_converter::can_create_views() {
  tk_log1(tk_log_detail, "vandry_converter::can_create_views");
  return !direct || engine.version > 0x00050000;
}

// Every look at the source follows one rule for the workgroup (acc_converter_impl::uses_workgroup).
static std::unique_ptr<source_view> open_source(const vandry_converter& c, std::uint32_t mode) {
  auto view = std::make_unique<source_view>();
  view->engine.set_version_smart(c.src);
  c.apply_security(view->engine);
  view->database = view->engine.open_db(c.src, mode, c.acc_pswd);
  return view;
}

void vandry_converter::get_all_tables(std::vector<std::wstring>& tables) {
  tk_log1(tk_log_detail, "vandry_converter::get_all_tables");
  auto view = open_source(*this, 0xA1);
  tables = view->database->get_table_names();
}

udb_database::view_list& vandry_converter::get_all_views(udb_database::view_list& views) {
  tk_log1(tk_log_detail, "vandry_converter::get_all_views");
  auto view = open_source(*this, 0x21);
  views = view->database->views;
  return views;
}

std::unique_ptr<udb_schema> vandry_converter::get_schema(const std::wstring& table) {
  tk_log2(tk_log_detail, L"vandry_converter::get_schema(%ls)", table.c_str());
  auto view = open_source(*this, 0xA1);
  if (!view->database->is_table_exist(table)) throw tk_mail_assertion("vdy_conv", 148);
  std::unique_ptr<udb_recordset> recordset = view->database->get_table(table, 1);
  if (!recordset) throw tk_mail_assertion("vdy_conv", 150);
  return std::make_unique<owned_schema>(recordset->schema);
}

bool vandry_converter::test_query(const std::wstring& sql) {
  return acc_converter_impl::test_query(src, acc_pswd, sql);
}

std::unique_ptr<udb_database> vandry_converter::open_destination() {
  if (!direct) {
    dump.creator = get_title();
    return engine.create_dump(dest, &dump);
  }
  tk_log1(tk_log_trace, "mode=%08X", conversion_mode);
  const std::uint32_t word = conversion_mode == mode_overwrite_database ? 0xA4
                             : conversion_mode == mode_synchronize      ? 0x1A0
                                                                        : 0xA8;
  tk_log2(tk_log_detail, L"mysql_converter_impl::is_mysql_base_exist( %ls )", dest.c_str());
  if (engine.is_db_exist(dest)) return engine.open_db(dest, word, L"");
  return engine.create_db(dest);
}
