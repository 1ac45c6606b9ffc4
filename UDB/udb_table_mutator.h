// The user's changes to one table: its new name and its column mutators, applied to the table's
// schema before the destination table is created and to every record before it is appended.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_logger.h"
#include "UDB/udb_field_mutator.h"
#include "UDB/udb_properties.h"
#include "UDB/udb_schema.h"

// FIELD_MUTATOR is the target's column mutator (a udb_field_mutator).
template <class FIELD_MUTATOR>
class udb_table_mutator : public udb_properties {
 public:
  using field_mutator = FIELD_MUTATOR;
  using native_type = typename FIELD_MUTATOR::native_type;

  explicit udb_table_mutator(const std::wstring& new_name) : new_name(new_name) {
    tk_log2(tk_log_trace, L"udb_table_mutator::ctor(%ls)", new_name.c_str());
  }
  ~udb_table_mutator() override { clear_schema(); }

  udb_table_mutator(const udb_table_mutator&) = delete;
  udb_table_mutator& operator=(const udb_table_mutator&) = delete;

  udb_properties* get_by_source_name(const std::wstring& column) override {
    auto it = by_source.find(column);
    return it == by_source.end() ? nullptr : it->second.get();
  }
  udb_properties* get_by_target_name(const std::wstring& column) override {
    auto it = by_target.find(column);
    return it == by_target.end() ? nullptr : it->second;
  }

  // Records the user's mapping of one source column; creates its mutator (action "apply all")
  // on first use.
  FIELD_MUTATOR* update_field(const std::wstring& source, const std::wstring& target, const native_type& native) {
    tk_log2(tk_log_detail,
            L"udb_table_mutator::update_field(old_name=%ls,new_name=%ls,native_type=%ls,"
            L"length=%llu)",
            source.c_str(), target.c_str(), native.type.c_str(), static_cast<unsigned long long>(native.length));
    std::unique_ptr<FIELD_MUTATOR>& slot = by_source[source];
    if (!slot) slot = std::make_unique<FIELD_MUTATOR>(target, native, 0, udb_apply_all);
    by_target.emplace(target, slot.get());
    slot->vartype = native_vartype(native);
    slot->new_name = target;
    slot->native = native;
    return slot.get();
  }

  // The mutator's own schema: s without dropped columns, mutated columns as modified copies,
  // the others as plain copies. Valid until the next call.
  udb_schema* create_modified_copy2(const udb_schema& s) {
    tk_log1(tk_log_trace, "create_modified_copy2");
    // The copies are made before the previous ones go: s may be a schema that an earlier
    // modify1 left referring to them.
    std::vector<t_ftd*> copies;
    for (const t_ftd* d : s.fields) {
      FIELD_MUTATOR* m = find(d->name);
      if (m != nullptr && m->action == udb_drop_column) continue;
      copies.push_back(m != nullptr ? m->make_modified_descriptor(d) : new t_ftd(*d));
    }
    clear_schema();
    schema.fields = std::move(copies);
    tk_log1(tk_log_trace, "create_modified_copy2 - END");
    return &schema;
  }

  // The mutator's own record: r without dropped columns, mutated values converted. Valid until
  // the next call.
  udb_record* create_modified_copy1(const udb_record& r) {
    tk_log1(tk_log_trace, "create_modified_copy1");
    record.fields.clear();
    for (const auto& f : r.fields) {
      FIELD_MUTATOR* m = find(f->name);
      if (m != nullptr && m->action == udb_drop_column) continue;
      if (m == nullptr) {
        record.append(std::make_unique<udb_field>(*f));
        continue;
      }
      auto copy = std::make_unique<typename FIELD_MUTATOR::field_type>(*f);
      udb_field& appended = *copy;
      record.append(std::move(copy));
      m->modify2(appended);
    }
    tk_log1(tk_log_trace, "create_modified_copy1 - END");
    return &record;
  }

  // Makes s refer to the mutator's modified descriptors (valid until the next modify1) and
  // returns the destination table name.
  std::wstring modify1(udb_schema& s) {
    tk_log1(tk_log_detail, "udb_table_mutator::modify1()");
    if (!by_source.empty()) {
      create_modified_copy2(s);
      s.fields = schema.fields;
      s.case_sensitive = schema.case_sensitive;
      s.last_auto_number = schema.last_auto_number;
      s.second_word = schema.second_word;
      for (t_ftd* d : s.fields) {
        FIELD_MUTATOR* m = find(d->name);
        if (m != nullptr && m->action == udb_apply_all) m->modify1(*d);
      }
    }
    tk_log2(tk_log_detail, L"returning new_name=%ls", new_name.c_str());
    return new_name;
  }

  // r itself when no column is mutated, else the mutator's own modified copy.
  udb_record& modify2(udb_record& r) {
    tk_log1(tk_log_detail, "udb_table_mutator::modify2()");
    if (by_source.empty()) return r;
    create_modified_copy1(r);
    tk_log1(tk_log_detail, "udb_table_mutator::modify2 - END");
    return record;
  }

  // Source column -> its mutator (owned); keys compare exactly.
  std::map<std::wstring, std::unique_ptr<FIELD_MUTATOR>> by_source;
  // Destination column -> the same mutators.
  std::map<std::wstring, FIELD_MUTATOR*> by_target;
  udb_record record;
  udb_schema schema{true};
  std::wstring new_name;

 private:
  FIELD_MUTATOR* find(const std::wstring& column) const {
    auto it = by_source.find(column);
    return it == by_source.end() ? nullptr : it->second.get();
  }
  void clear_schema() {
    for (t_ftd* d : schema.fields) delete d;
    schema.fields.clear();
  }
};
