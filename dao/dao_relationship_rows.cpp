// Foreign keys from Access's relationship rows.
#include "dao/dao_relationship_rows.h"

#include "TK/tk_logger.h"
#include "UDB/udb_name_compare.h"
#include "dao/dao_database.h"
#include "platform/jet/dao.h"

void dao_relationship_rows::add(const dao_relationship_row& row, udb_relationships& out) {
  const bool same = open_ && udb_same_name(row.name, first_.name);
  if (same) {
    tk_log2(tk_log_detail, L"'%ls' is a multi-column FK", row.name.c_str());
  } else {
    if (open_) complete(out);
    first_ = row;
    fields_.clear();
    ref_fields_.clear();
    open_ = true;
  }
  fields_.push_back(row.column);
  ref_fields_.push_back(row.ref_column);
  tk_log2(tk_log_detail, L"rels_name=%ls, src=%ls.%ls, dest=%ls.%ls, grbit=%08X", first_.name.c_str(),
          first_.table.c_str(), row.column.c_str(), first_.ref_table.c_str(), row.ref_column.c_str(),
          static_cast<unsigned>(first_.grbit));
}

void dao_relationship_rows::finish(udb_relationships& out) {
  if (open_) complete(out);
  open_ = false;
}

void dao_relationship_rows::complete(udb_relationships& out) {
  // Access's own navigation-pane tables relate among themselves; they are no user data.
  if (dao_database::is_system_table(first_.table) || dao_database::is_system_table(first_.ref_table)) return;
  udb_relationship r(first_.table, first_.ref_table, fields_, ref_fields_, L"");
  r.name = out.gen_relship_name(r);
  if (first_.grbit & dbRelationDeleteCascade) r.properties += L" ON DELETE CASCADE";
  if (first_.grbit & dbRelationUpdateCascade) r.properties += L" ON UPDATE CASCADE";
  out.push_back(std::move(r));
}
