// Opens arbitrary bytes as an Access file and reads everything through DAO: every table's
// definition, indexes, properties and every value, every saved query's text and rows, the
// relations. Any crash, hang or sanitizer report is a bug.
// A file the engine refuses is tried again with the encrypted test files' passwords, so their
// seeds reach the decrypted pages.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>

#include "fuzz/fuzz_input.h"
#include "platform/jet/dao.h"
#include "platform/oleaut/objbase.h"

namespace {

template <class T>
void release(T* p) {
  if (p) p->Release();
}

VARIANT ordinal(long i) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_I4;
  v.lVal = i;
  return v;
}

// Every value of every row (a bound keeps a damaged row count from looping for ever).
void read_rows(DAORecordset* rs) {
  DAOFields* fields = nullptr;
  rs->get_Fields(&fields);
  short n = 0;
  if (fields) fields->get_Count(&n);
  VARIANT_BOOL eof = VARIANT_TRUE;
  rs->get_EOF(&eof);
  for (int rows = 0; !eof && rows < 100000; ++rows) {
    for (short i = 0; i < n; ++i) {
      _DAOField* f = nullptr;
      if (FAILED(fields->get_Item(ordinal(i), &f))) continue;
      VARIANT v;
      f->get_Value(&v);
      VariantClear(&v);
      release(f);
    }
    if (FAILED(rs->MoveNext())) break;
    rs->get_EOF(&eof);
  }
  release(fields);
}

void read_table(DAODatabase* db, _DAOTableDef* def) {
  DAOIndexes* indexes = nullptr;
  if (SUCCEEDED(def->get_Indexes(&indexes))) release(indexes);
  DAOProperties* props = nullptr;
  if (SUCCEEDED(def->get_Properties(&props))) release(props);
  BSTR name = nullptr;
  def->get_Name(&name);
  VARIANT empty;
  VariantInit(&empty);
  DAORecordset* rs = nullptr;
  if (SUCCEEDED(db->OpenRecordset(name, empty, empty, empty, &rs))) {
    read_rows(rs);
    release(rs);
  }
  SysFreeString(name);
}

// A saved query: its SQL text rebuilt from the file's rows, and its rows where it has any.
void read_query(_DAOQueryDef* def) {
  BSTR sql = nullptr;
  if (SUCCEEDED(def->get_SQL(&sql))) SysFreeString(sql);
  VARIANT empty;
  VariantInit(&empty);
  DAORecordset* rs = nullptr;
  if (SUCCEEDED(def->OpenRecordset(empty, empty, empty, &rs))) {
    read_rows(rs);
    release(rs);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static _DAODBEngine* engine = [] {
    dao_register_engine();
    CoInitialize(nullptr);
    _DAODBEngine* e = nullptr;
    CoCreateInstance(CLSID_DAODBEngine120, nullptr, CLSCTX_ALL, IID__DAODBEngine, reinterpret_cast<void**>(&e));
    return e;
  }();
  const std::string path = fuzz_write_file(data, size, ".mdb");
  if (path.empty()) return 0;
  std::wstring wpath(path.begin(), path.end());
  BSTR name = SysAllocString(wpath.c_str());
  VARIANT no, yes;
  VariantInit(&no);
  VariantInit(&yes);
  no.vt = yes.vt = VT_BOOL;
  no.boolVal = VARIANT_FALSE;
  yes.boolVal = VARIANT_TRUE;
  DAODatabase* db = nullptr;
  for (const wchar_t* password : {L"", L";pwd=1234", L";pwd=Test123"}) {
    VARIANT connect;
    VariantInit(&connect);
    if (*password) {
      connect.vt = VT_BSTR;
      connect.bstrVal = SysAllocString(password);
    }
    const bool opened = SUCCEEDED(engine->OpenDatabase(name, no, yes, connect, &db));
    VariantClear(&connect);
    if (opened) break;
  }
  if (db) {
    DAOTableDefs* defs = nullptr;
    if (SUCCEEDED(db->get_TableDefs(&defs))) {
      short n = 0;
      defs->get_Count(&n);
      for (short i = 0; i < n; ++i) {
        _DAOTableDef* def = nullptr;
        if (SUCCEEDED(defs->get_Item(ordinal(i), &def))) read_table(db, def);
        release(def);
      }
      release(defs);
    }
    DAOQueryDefs* queries = nullptr;
    if (SUCCEEDED(db->get_QueryDefs(&queries))) {
      short n = 0;
      queries->get_Count(&n);
      for (short i = 0; i < n; ++i) {
        _DAOQueryDef* def = nullptr;
        if (SUCCEEDED(queries->get_Item(ordinal(i), &def))) read_query(def);
        release(def);
      }
      release(queries);
    }
    DAORelations* rels = nullptr;
    if (SUCCEEDED(db->get_Relations(&rels))) release(rels);
    release(db);
  }
  SysFreeString(name);
  return 0;
}
