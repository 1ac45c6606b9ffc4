// Index column tests and the merging of indexes by name.
#include "UDB/udb_index.h"

#include "TK/tk_logger.h"
#include "UDB/udb_name_compare.h"

udb_index::udb_index(const std::wstring& name_, bool unique_, bool primary_)
    : name(name_), unique(unique_), primary(primary_) {
  tk_log2(tk_log_trace, L"udb_index::ctor('%ls',%d,%d)", name.c_str(), unique ? 1 : 0, primary ? 1 : 0);
}

bool udb_index::starts_with_fields(const std::vector<std::wstring>& names) const {
  tk_log2(tk_log_trace, L"udb_index(%ls)::starts_with_fields", name.c_str());
  tk_log1(tk_log_trace, "this.size=%d, that.size=%d", static_cast<int>(fields.size()), static_cast<int>(names.size()));
  if (names.size() > fields.size()) {
    tk_log1(tk_log_trace, "starts_with_fields returns false");
    return false;
  }
  for (size_t i = 0; i < names.size(); ++i) {
    if (!udb_same_name(names[i], fields[i])) {
      tk_log2(tk_log_trace, L"Field '%ls' not found", names[i].c_str());
      return false;
    }
  }
  return true;
}

int udb_indexes::find(const std::wstring& name) const {
  tk_log1(tk_log_trace, "udb_indexes::find2");
  for (size_t i = 0; i < items.size(); ++i)
    if (udb_same_name(items[i].name, name)) return static_cast<int>(i);
  return -1;
}

void udb_indexes::push_back(const udb_index& index) {
  tk_log2(tk_log_detail, L"udb_indexes::push_back(%ls)", index.name.c_str());
  const int at = find(index.name);
  if (at < 0) {
    tk_log1(tk_log_detail, "Index does not exist, add it");
    items.push_back(index);
    return;
  }
  udb_index& existing = items[static_cast<size_t>(at)];
  if (existing.primary) {
    tk_log1(tk_log_detail, "Primary key with the same name exists, skip it.");
  } else if (index.primary) {
    tk_log1(tk_log_detail, "Upgrade existing index to primary key.");
    existing = index;
  } else if (existing.unique_constraint) {
    tk_log1(tk_log_detail, "Unique constraint with the same name exists, skip it.");
  } else {
    if (index.unique_constraint) {
      tk_log1(tk_log_detail, "Set unique constraint attributes for existing index.");
      existing = index;
    }
    if (existing.unique) {
      tk_log1(tk_log_detail, "Unique index with the same name exists, skip it.");
    } else if (index.unique) {
      tk_log1(tk_log_detail, "Set unique attribute for existing index.");
      existing = index;
    }
  }
}

bool udb_indexes::has_index_on_fields(const std::vector<std::wstring>& names, bool want_unique) const {
  tk_log1(tk_log_trace, "udb_indexes::has_index_on_fields");
  for (const auto& index : items)
    if (index.starts_with_fields(names)) return !want_unique || index.unique;
  return false;
}
