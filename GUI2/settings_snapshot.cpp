#include "GUI2/settings_snapshot.h"

#include "converter/vandry_converter.h"

settings_snapshot::settings_snapshot(vandry_converter& c)
    : converter_(c),
      src_(c.src),
      dest_(c.dest),
      log_file_(c.log_file),
      conversion_mode_(c.conversion_mode),
      selected_tables_(c.selected_tables),
      items_(c.items),
      selected_views_(c.selected_views),
      available_queries_(c.available_queries),
      tab_def_(c.tab_def),
      skip_idx_(c.skip_idx),
      convert_views_(c.convert_views),
      use_ugl_(c.use_ugl),
      acc_pswd_(c.acc_pswd),
      ugl_user_(c.ugl_user),
      ugl_password_(c.ugl_password),
      sysdb_(c.sysdb),
      dump_(c.dump),
      host_(c.host),
      user_(c.user),
      password_(c.password),
      port_(c.port),
      direct_(c.direct),
      bool_map_(c.bool_map),
      charset_(c.engine.charset),
      engine_(c.engine.engine) {
  c.sql_db_mutator::store(mutations_);
}

void settings_snapshot::restore() {
  vandry_converter& c = converter_;
  c.src = src_;
  c.dest = dest_;
  c.log_file = log_file_;
  c.conversion_mode = conversion_mode_;
  c.selected_tables = selected_tables_;
  c.items = items_;
  c.selected_views = selected_views_;
  c.available_queries = available_queries_;
  c.tab_def = tab_def_;
  c.skip_idx = skip_idx_;
  c.convert_views = convert_views_;
  c.use_ugl = use_ugl_;
  c.acc_pswd = acc_pswd_;
  c.ugl_user = ugl_user_;
  c.ugl_password = ugl_password_;
  c.sysdb = sysdb_;
  c.dump = dump_;
  c.host = host_;
  c.user = user_;
  c.password = password_;
  c.port = port_;
  c.direct = direct_;
  c.bool_map = bool_map_;
  c.engine.charset = charset_;
  c.engine.engine = engine_;
  c.sql_db_mutator::load(mutations_);
}
