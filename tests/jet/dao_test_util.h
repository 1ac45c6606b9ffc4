// Helpers of the DAO tests: an engine, reading through the interfaces, values as mdb-export
// prints them, and mdb-export's own output.
#pragma once

#include <string>
#include <vector>

#include "platform/jet/dao.h"

namespace dao_test {

// Owns one interface reference.
template <class T>
struct ptr {
  T* p = nullptr;
  ptr() = default;
  ptr(const ptr&) = delete;
  ptr& operator=(const ptr&) = delete;
  ~ptr() {
    if (p) p->Release();
  }
  T** out() { return &p; }
  T* operator->() const { return p; }
};

// A VARIANT that clears itself.
struct var {
  VARIANT v;
  var() { VariantInit(&v); }
  ~var() { VariantClear(&v); }
  var(const var&) = delete;
  var& operator=(const var&) = delete;
};

VARIANT index(long i);
VARIANT name(const std::wstring& s);  // owns a BSTR: free with VariantClear
std::wstring take(BSTR b);            // copies and frees

// Item(name) of any DAO collection.
template <class Collection, class Item>
HRESULT item(Collection* collection, const std::wstring& key, Item** out) {
  VARIANT n = name(key);
  HRESULT hr = collection->get_Item(n, out);
  VariantClear(&n);
  return hr;
}
std::string utf8(const std::wstring& w);

// Creates an engine through the class table and opens `path`; the HRESULT of OpenDatabase.
HRESULT open(const std::string& path, const std::wstring& connect, ptr<_DAODBEngine>& engine, ptr<DAODatabase>& db);
// The first error's number and text of the engine's Errors collection.
long last_error(_DAODBEngine* engine, std::wstring* text = nullptr);

// A read-only dynaset over every row of `table`, opened through a temporary QueryDef as the
// Access source opens tables; the first failing HRESULT, S_OK when `rs` holds the recordset.
HRESULT open_table(DAODatabase* db, const std::wstring& table, ptr<DAORecordset>& rs);
// The value of field `f` of the current row; the first failing HRESULT.
HRESULT field_value(DAOFields* fields, short f, var& value);

// A value in the form mdb-export prints it with the options `export_rows` uses.
std::string export_text(const VARIANT& v);

// Rows of `table` as mdb-export prints them: fields split, no header.
std::vector<std::vector<std::string>> export_rows(const std::string& path, const std::string& table);

}  // namespace dao_test
