// DBEngine, Workspace and Database: opening a file (password, format and workgroup checks)
// and the registration of the engine classes.
#include <algorithm>
#include <cstring>
#include <fstream>
#include <mutex>

#include "platform/jet/jet_cursor.h"
#include "platform/jet/jet_dao_objects.h"
#include "platform/jet/jet_dao_write_objects.h"
#include "platform/jet/jet_sql_reader.h"
#include "platform/jet/sql/jet_sql_text.h"
#include "platform/oleaut/objbase.h"
#include "platform/win/string_compare.h"

namespace dao_impl {

namespace {

// The password of a Connect text ";pwd=secret" (the key without regard to case). A value in
// braces, ";pwd={a;b}" with "}}" for a "}", is taken whole: a password may hold ";" itself.
std::wstring connect_password(const std::wstring& connect) {
  std::wstring lower = connect;
  for (auto& c : lower) c = fold_case(c);
  std::size_t at = lower.find(L"pwd=");
  if (at == std::wstring::npos) return {};
  std::size_t start = at + 4;
  if (start < connect.size() && connect[start] == L'{') {
    std::wstring password;
    for (std::size_t i = start + 1; i < connect.size(); ++i) {
      if (connect[i] != L'}') {
        password += connect[i];
      } else if (i + 1 < connect.size() && connect[i + 1] == L'}') {
        password += L'}';
        ++i;
      } else {
        break;
      }
    }
    return password;
  }
  std::size_t end = connect.find(L';', start);
  return connect.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
}

// A workgroup information file begins like a Jet database but names itself "Jet System DB".
bool is_workgroup_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  char head[20] = {};
  if (!in.read(head, sizeof head)) return false;
  return std::memcmp(head + 4, "Jet System DB", 13) == 0;
}

class database_object : public com_object<DAODatabase> {
 public:
  explicit database_object(context_ptr ctx) : ctx_(std::move(ctx)) {}
  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    *out = make_properties({{L"Name", dbText, ctx_->name}, {L"Version", dbText, version()}}, ctx_->errors);
    return S_OK;
  }
  HRESULT get_Connect(BSTR* out) override { return out_bstr(out, L""); }
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, ctx_->name); }
  HRESULT get_Updatable(VARIANT_BOOL* out) override { return out_value(out, VARIANT_FALSE); }
  HRESULT get_Version(BSTR* out) override { return out_bstr(out, version()); }
  HRESULT get_TableDefs(DAOTableDefs** out) override {
    if (!out) return E_POINTER;
    if (closed_) return ctx_->errors->fail(dao_err_object_closed);
    *out = make_tabledefs(ctx_);
    return S_OK;
  }
  HRESULT get_QueryDefs(DAOQueryDefs** out) override {
    if (!out) return E_POINTER;
    if (closed_) return ctx_->errors->fail(dao_err_object_closed);
    // Saved queries whose rows could not all be read would become views that are wrong or missing.
    const std::wstring& damage = query_catalog(*ctx_).queries_damage();
    if (!damage.empty())
      return ctx_->errors->fail_described(dao_err_damaged, dao_damaged_table_text(L"MSysQueries", damage));
    *out = make_querydefs(ctx_);
    return S_OK;
  }
  HRESULT get_Relations(DAORelations** out) override {
    if (!out) return E_POINTER;
    if (closed_) return ctx_->errors->fail(dao_err_object_closed);
    *out = make_relations(ctx_);
    return S_OK;
  }
  HRESULT Close() override {
    if (closed_) return ctx_->errors->fail(dao_err_object_closed);
    closed_ = true;
    return S_OK;
  }
  HRESULT Execute(BSTR, VARIANT) override { return ctx_->errors->fail(dao_err_read_only); }
  HRESULT CreateRelation(VARIANT, VARIANT, VARIANT, VARIANT, _DAORelation** out) override {
    if (out) *out = nullptr;
    return ctx_->errors->fail(dao_err_read_only);
  }
  HRESULT CreateTableDef(VARIANT, VARIANT, VARIANT, VARIANT, _DAOTableDef** out) override {
    if (out) *out = nullptr;
    return ctx_->errors->fail(dao_err_read_only);
  }
  HRESULT CreateQueryDef(VARIANT name, VARIANT sql, _DAOQueryDef** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (closed_) return ctx_->errors->fail(dao_err_object_closed);
    // Saving a named query writes to the file, which this engine does not do.
    if (!read_text(name).empty()) return ctx_->errors->fail(dao_err_read_only);
    *out = make_querydef(ctx_, nullptr, L"", read_text(sql));
    return S_OK;
  }
  HRESULT OpenRecordset(BSTR name, VARIANT, VARIANT, VARIANT, DAORecordset** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    if (closed_) return ctx_->errors->fail(dao_err_object_closed);
    std::wstring text = bstr_text(name);
    if (ctx_->catalog.find_table(text)) {
      std::unique_ptr<row_source> rows;
      HRESULT hr = open_table_rows(ctx_, text, rows);
      if (FAILED(hr)) return hr;
      *out = make_recordset(std::move(rows), text, dbOpenTable, ctx_->errors);
      return S_OK;
    }
    return open_sql(ctx_, text, out);
  }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAODatabase; }

 private:
  std::wstring version() const {
    switch (ctx_->file->header().format) {
      case jet::jet_format::jet3: return L"3.0";
      case jet::jet_format::jet4: return L"4.0";
      default: return L"12.0";
    }
  }
  context_ptr ctx_;
  bool closed_ = false;
};

// The engine state its workspaces share.
struct engine_state {
  error_sink errors = std::make_shared<dao_error_list>();
  std::mutex mutex;
  std::wstring system_db;
  std::wstring default_user = L"admin";
};

HRESULT open_database(engine_state& e, BSTR name, VARIANT connect, DAODatabase** out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  std::wstring wname = bstr_text(name);
  std::wstring password = connect_password(read_text(connect));
  std::unique_ptr<jet::jet_file> file;
  jet::jet_status st = jet::jet_file::open(jet_to_utf8(wname), password, file);
  switch (st) {
    case jet::jet_status::ok: break;
    case jet::jet_status::file_not_found: return e.errors->fail(dao_err_file_not_found, wname);
    case jet::jet_status::not_access: return e.errors->fail(dao_err_not_a_database, wname);
    case jet::jet_status::bad_password: return e.errors->fail(dao_err_bad_password);
    // Office encryption in a scheme that cannot be decrypted here: no password would open it.
    case jet::jet_status::office_encrypted: return e.errors->fail(dao_err_not_a_database, wname);
    case jet::jet_status::corrupt:
      return e.errors->fail_described(dao_err_damaged, dao_damaged_file_text(wname, L"it cannot be opened"));
  }
  auto ctx = std::make_shared<dao_context>();
  ctx->errors = e.errors;
  ctx->name = wname;
  ctx->file = std::move(file);
  std::wstring damage;
  if (!jet::jet_read_catalog(*ctx->file, ctx->catalog, &damage))
    return e.errors->fail_described(dao_err_damaged, dao_damaged_file_text(wname, damage));
  load_complex_columns(*ctx);
  *out = new database_object(std::move(ctx));
  return S_OK;
}

class workspace_object : public com_object<DAOWorkspace> {
 public:
  workspace_object(std::shared_ptr<engine_state> e, std::wstring name, std::wstring user)
      : e_(std::move(e)), name_(std::move(name)), user_(std::move(user)) {}
  HRESULT get_Name(BSTR* out) override { return out_bstr(out, name_); }
  HRESULT get_UserName(BSTR* out) override { return out_bstr(out, user_); }
  HRESULT OpenDatabase(BSTR name, VARIANT, VARIANT, VARIANT connect, DAODatabase** out) override {
    return open_database(*e_, name, connect, out);
  }
  HRESULT CreateDatabase(BSTR name, BSTR, VARIANT, DAODatabase** out) override {
    return create_write_database(e_->errors, bstr_text(name), out);
  }
  HRESULT Close() override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID_DAOWorkspace; }

 private:
  std::shared_ptr<engine_state> e_;
  std::wstring name_;
  std::wstring user_;
};

// Whether the workgroup file knows the account; a file that cannot be read accepts any name,
// since its accounts cannot be told apart from ours.
bool workgroup_has_user(const std::wstring& system_db, const std::wstring& user) {
  std::unique_ptr<jet::jet_file> file;
  // The workgroup file is a Jet database with its own signature; read it as one.
  std::string path = jet_to_utf8(system_db);
  std::ifstream in(path, std::ios::binary);
  std::vector<std::uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 20) return true;
  static const char jet_sig[] = "Standard Jet DB";
  std::memcpy(bytes.data() + 4, jet_sig, sizeof jet_sig);
  if (jet::jet_file::open_bytes(std::move(bytes), L"", file) != jet::jet_status::ok) return true;
  jet::jet_catalog cat;
  if (!jet::jet_read_catalog(*file, cat)) return true;
  const jet::jet_object* accounts = cat.find_table(L"MSysAccounts");
  if (!accounts) return true;
  jet::jet_cursor cur(*file, accounts->page());
  int c_name = jet::jet_find_column(cur.columns(), L"Name");
  if (c_name < 0) return true;
  while (cur.next()) {
    jet::jet_value v = cur.value(static_cast<std::size_t>(c_name));
    if (const auto* s = std::get_if<std::wstring>(&v))
      if (jet::jet_compare_names(*s, user) == 0) return true;
  }
  return false;
}

class engine_object : public com_object<_DAODBEngine> {
 public:
  engine_object() : e_(std::make_shared<engine_state>()) {}
  HRESULT get_Properties(DAOProperties** out) override {
    if (!out) return E_POINTER;
    *out = make_properties({{L"Version", dbText, std::wstring(L"12.0")}}, e_->errors);
    return S_OK;
  }
  HRESULT get_Version(BSTR* out) override { return out_bstr(out, L"12.0"); }
  HRESULT get_Errors(DAOErrors** out) override {
    if (!out) return E_POINTER;
    *out = make_errors(*e_->errors);
    return S_OK;
  }
  HRESULT get_SystemDB(BSTR* out) override {
    std::lock_guard<std::mutex> lock(e_->mutex);
    return out_bstr(out, e_->system_db);
  }
  HRESULT put_SystemDB(BSTR path) override {
    std::wstring p = bstr_text(path);
    if (!is_workgroup_file(jet_to_utf8(p))) return e_->errors->fail(dao_err_workgroup_missing);
    std::lock_guard<std::mutex> lock(e_->mutex);
    e_->system_db = p;
    return S_OK;
  }
  HRESULT put_DefaultUser(BSTR user) override {
    std::lock_guard<std::mutex> lock(e_->mutex);
    e_->default_user = bstr_text(user);
    return S_OK;
  }
  HRESULT put_DefaultPassword(BSTR) override { return S_OK; }
  HRESULT CreateWorkspace(BSTR name, BSTR user, BSTR, VARIANT, DAOWorkspace** out) override {
    if (!out) return E_POINTER;
    *out = nullptr;
    std::wstring u = bstr_text(user);
    std::wstring system_db;
    {
      std::lock_guard<std::mutex> lock(e_->mutex);
      system_db = e_->system_db;
    }
    // Account passwords are kept hashed by a scheme this engine does not reproduce: only
    // the account name is checked.
    if (!system_db.empty() && jet::jet_compare_names(u, L"admin") != 0 && !workgroup_has_user(system_db, u))
      return e_->errors->fail(dao_err_bad_account);
    *out = new workspace_object(e_, bstr_text(name), u);
    return S_OK;
  }
  HRESULT OpenDatabase(BSTR name, VARIANT, VARIANT, VARIANT connect, DAODatabase** out) override {
    return open_database(*e_, name, connect, out);
  }
  HRESULT CreateDatabase(BSTR name, BSTR, VARIANT, DAODatabase** out) override {
    return create_write_database(e_->errors, bstr_text(name), out);
  }
  HRESULT Idle(VARIANT) override { return S_OK; }

 protected:
  bool answers(REFIID riid) const override { return riid == IID__DAODBEngine; }

 private:
  std::shared_ptr<engine_state> e_;
};

}  // namespace

}  // namespace dao_impl

void dao_register_engine() {
  static std::once_flag once;
  std::call_once(once, [] {
    auto creator = [](REFIID riid, void** ppv) -> HRESULT {
      auto* e = new dao_impl::engine_object();
      HRESULT hr = e->QueryInterface(riid, ppv);
      e->Release();
      return hr;
    };
    com_register_class(CLSID_DAODBEngine35, creator);
    com_register_class(CLSID_DAODBEngine36, creator);
    com_register_class(CLSID_DAODBEngine120, creator);
  });
}
