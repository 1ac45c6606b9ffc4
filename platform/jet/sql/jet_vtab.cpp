// The "jet_table" virtual-table module.
#include "platform/jet/sql/jet_vtab.h"

#include <sqlite3.h>

#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

#include "platform/jet/sql/jet_sql_text.h"
#include "platform/win/string_compare.h"

namespace {

using ordinal_index = std::unordered_map<std::string, std::vector<std::uint64_t>>;

struct table : sqlite3_vtab {
  jet_sql_table* source = nullptr;
  std::map<int, ordinal_index> indexes;  // by column, built on first lookup
};

struct cursor : sqlite3_vtab_cursor {
  std::unique_ptr<jet_sql_cursor> rows;
  bool eof = true;
  // A lookup walks the ordinals of one key; a scan walks the cursor.
  bool lookup = false;
  const std::vector<std::uint64_t>* matches = nullptr;
  size_t next_match = 0;
};

bool is_text_type(int type) { return type == jet_type_text || type == jet_type_memo || type == jet_type_guid; }

const char* declared_type(int type) {
  switch (type) {
    case jet_type_boolean:
    case jet_type_byte:
    case jet_type_integer:
    case jet_type_long:
    case jet_type_big_int: return "INTEGER";
    case jet_type_currency:
    case jet_type_single:
    case jet_type_double:
    case jet_type_date:
    case jet_type_decimal: return "REAL";
    case jet_type_binary:
    case jet_type_long_binary: return "BLOB";
    default: return "TEXT COLLATE JETTEXT";
  }
}

std::string quote(const std::string& name) {
  std::string out = "\"";
  for (char c : name) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

// The key under which a value is indexed: numbers by value, text folded as Jet compares it.
bool key_of_value(const jet_sql_value& v, std::string& key) {
  switch (v.type) {
    case jet_sql_value::kind::null:
    case jet_sql_value::kind::binary: return false;
    case jet_sql_value::kind::text: {
      std::wstring folded = v.text;
      for (auto& c : folded) c = fold_case(c);
      key = "t" + jet_to_utf8(folded);
      return true;
    }
    default: {
      double d = v.type == jet_sql_value::kind::integer || v.type == jet_sql_value::kind::boolean
                     ? static_cast<double>(v.integer)
                 : v.type == jet_sql_value::kind::currency ? static_cast<double>(v.integer) / 10000.0
                                                           : v.real;
      char buf[40];
      std::snprintf(buf, sizeof buf, "n%.17g", d);
      key = buf;
      return true;
    }
  }
}

bool key_of_sqlite(sqlite3_value* v, bool text_column, std::string& key) {
  switch (sqlite3_value_type(v)) {
    case SQLITE_TEXT: {
      if (!text_column) return false;
      const char* s = reinterpret_cast<const char*>(sqlite3_value_text(v));
      return key_of_value(
          jet_sql_value::from_text(jet_from_utf8(std::string_view(s, static_cast<size_t>(sqlite3_value_bytes(v))))),
          key);
    }
    case SQLITE_INTEGER:
    case SQLITE_FLOAT: {
      if (text_column) return false;
      char buf[40];
      std::snprintf(buf, sizeof buf, "n%.17g", sqlite3_value_double(v));
      key = buf;
      return true;
    }
    default: return false;
  }
}

int connect(sqlite3* db, void* aux, int argc, const char* const* argv, sqlite3_vtab** out, char** error) {
  auto* registry = static_cast<jet_vtab_registry*>(aux);
  size_t index = argc > 3 ? std::strtoul(argv[3], nullptr, 10) : registry->tables.size();
  if (index >= registry->tables.size()) {
    *error = sqlite3_mprintf("no such Jet table");
    return SQLITE_ERROR;
  }
  jet_sql_table* source = registry->tables[index];
  std::string schema = "CREATE TABLE x(";
  const auto& columns = source->columns();
  for (size_t i = 0; i < columns.size(); ++i) {
    if (i) schema += ", ";
    schema += quote(jet_to_utf8(columns[i].name)) + " " + declared_type(columns[i].type);
  }
  if (columns.empty()) schema += "\"\"";
  schema += ")";
  int rc = sqlite3_declare_vtab(db, schema.c_str());
  if (rc != SQLITE_OK) return rc;
  auto* t = new table();
  t->source = source;
  *out = t;
  return SQLITE_OK;
}

int disconnect(sqlite3_vtab* vtab) {
  delete static_cast<table*>(vtab);
  return SQLITE_OK;
}

int best_index(sqlite3_vtab* vtab, sqlite3_index_info* info) {
  auto* t = static_cast<table*>(vtab);
  double rows = static_cast<double>(t->source->row_count()) + 1;
  info->estimatedCost = rows;
  info->estimatedRows = static_cast<sqlite3_int64>(rows);
  info->idxNum = 0;
  if (!t->source->supports_seek()) return SQLITE_OK;
  for (int i = 0; i < info->nConstraint; ++i) {
    const auto& c = info->aConstraint[i];
    if (!c.usable || c.op != SQLITE_INDEX_CONSTRAINT_EQ || c.iColumn < 0) continue;
    info->idxNum = c.iColumn + 1;
    info->aConstraintUsage[i].argvIndex = 1;
    info->aConstraintUsage[i].omit = 0;  // SQLite checks again: the index may hold more rows than match
    info->estimatedCost = 10;
    info->estimatedRows = 10;
    break;
  }
  return SQLITE_OK;
}

int open(sqlite3_vtab*, sqlite3_vtab_cursor** out) {
  *out = new cursor();
  return SQLITE_OK;
}

int close(sqlite3_vtab_cursor* c) {
  delete static_cast<cursor*>(c);
  return SQLITE_OK;
}

const ordinal_index& index_of(table* t, int column) {
  auto found = t->indexes.find(column);
  if (found != t->indexes.end()) return found->second;
  ordinal_index& index = t->indexes[column];
  auto rows = t->source->open_cursor();
  std::string key;
  while (rows && rows->next())
    if (key_of_value(rows->value(static_cast<size_t>(column)), key)) index[key].push_back(rows->position());
  return index;
}

void advance_lookup(cursor* c) {
  while (c->next_match < c->matches->size()) {
    if (c->rows->seek((*c->matches)[c->next_match++])) {
      c->eof = false;
      return;
    }
  }
  c->eof = true;
}

int filter(sqlite3_vtab_cursor* vc, int idx_num, const char*, int argc, sqlite3_value** argv) {
  auto* c = static_cast<cursor*>(vc);
  auto* t = static_cast<table*>(vc->pVtab);
  c->lookup = false;
  if (idx_num > 0 && argc == 1) {
    int column = idx_num - 1;
    bool text_column = is_text_type(t->source->columns()[static_cast<size_t>(column)].type);
    std::string key;
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL) {  // = Null matches nothing
      c->eof = true;
      return SQLITE_OK;
    }
    if (key_of_sqlite(argv[0], text_column, key)) {
      static const std::vector<std::uint64_t> none;
      const ordinal_index& index = index_of(t, column);
      auto found = index.find(key);
      if (!c->rows) c->rows = t->source->open_cursor();
      if (!c->rows) {
        c->eof = true;
        return SQLITE_OK;
      }
      c->lookup = true;
      c->matches = found == index.end() ? &none : &found->second;
      c->next_match = 0;
      advance_lookup(c);
      return SQLITE_OK;
    }
    // A key of another kind than the column's: compare every row.
  }
  c->rows = t->source->open_cursor();
  c->eof = !c->rows || !c->rows->next();
  return SQLITE_OK;
}

int next(sqlite3_vtab_cursor* vc) {
  auto* c = static_cast<cursor*>(vc);
  if (c->lookup)
    advance_lookup(c);
  else
    c->eof = !c->rows->next();
  return SQLITE_OK;
}

int eof(sqlite3_vtab_cursor* vc) { return static_cast<cursor*>(vc)->eof ? 1 : 0; }

int column(sqlite3_vtab_cursor* vc, sqlite3_context* ctx, int i) {
  auto* c = static_cast<cursor*>(vc);
  jet_sql_value v = c->rows->value(static_cast<size_t>(i));
  switch (v.type) {
    case jet_sql_value::kind::null: sqlite3_result_null(ctx); break;
    case jet_sql_value::kind::boolean:
    case jet_sql_value::kind::integer: sqlite3_result_int64(ctx, v.integer); break;
    case jet_sql_value::kind::currency: sqlite3_result_double(ctx, static_cast<double>(v.integer) / 10000.0); break;
    case jet_sql_value::kind::real:
    case jet_sql_value::kind::date: sqlite3_result_double(ctx, v.real); break;
    case jet_sql_value::kind::text: {
      std::string u = jet_to_utf8(v.text);
      sqlite3_result_text64(ctx, u.data(), u.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
      break;
    }
    case jet_sql_value::kind::binary:
      sqlite3_result_blob64(ctx, v.bytes.data(), v.bytes.size(), SQLITE_TRANSIENT);
      break;
  }
  return SQLITE_OK;
}

int rowid(sqlite3_vtab_cursor* vc, sqlite3_int64* out) {
  *out = static_cast<sqlite3_int64>(static_cast<cursor*>(vc)->rows->position());
  return SQLITE_OK;
}

sqlite3_module module = {
    0,           // iVersion
    connect,     // xCreate
    connect,     // xConnect
    best_index,  // xBestIndex
    disconnect,  // xDisconnect
    disconnect,  // xDestroy
    open,        // xOpen
    close,       // xClose
    filter,      // xFilter
    next,        // xNext
    eof,         // xEof
    column,      // xColumn
    rowid,       // xRowid
    nullptr,     // xUpdate: read only
    nullptr,    nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr,
};

}  // namespace

int jet_register_vtab_module(sqlite3* db, jet_vtab_registry* registry) {
  return sqlite3_create_module(db, "jet_table", &module, registry);
}
