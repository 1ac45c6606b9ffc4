// Reads every row and value of the largest test tables through DAO and prints rows per second
// beside mdb-export of the same tables to /dev/null.
//   jet_read_bench [file.accdb [table...]]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/jet/dao.h"
#include "platform/oleaut/objbase.h"

namespace {

double seconds_since(std::chrono::steady_clock::time_point t) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - t).count();
}

long read_all(_DAODBEngine* engine, const std::string& path, const std::string& table) {
  std::wstring wpath(path.begin(), path.end()), wtable(table.begin(), table.end());
  BSTR name = SysAllocString(wpath.c_str());
  VARIANT no, yes, connect;
  VariantInit(&no);
  VariantInit(&yes);
  VariantInit(&connect);
  no.vt = yes.vt = VT_BOOL;
  no.boolVal = VARIANT_FALSE;
  yes.boolVal = VARIANT_TRUE;
  DAODatabase* db = nullptr;
  if (FAILED(engine->OpenDatabase(name, no, yes, connect, &db))) return -1;
  SysFreeString(name);
  BSTR t = SysAllocString(wtable.c_str());
  DAORecordset* rs = nullptr;
  VARIANT empty;
  VariantInit(&empty);
  if (FAILED(db->OpenRecordset(t, empty, empty, empty, &rs))) return -1;
  SysFreeString(t);
  DAOFields* fields = nullptr;
  rs->get_Fields(&fields);
  short n = 0;
  fields->get_Count(&n);
  std::vector<_DAOField*> f(static_cast<std::size_t>(n));
  for (short i = 0; i < n; ++i) {
    VARIANT ix;
    VariantInit(&ix);
    ix.vt = VT_I2;
    ix.iVal = i;
    fields->get_Item(ix, &f[static_cast<std::size_t>(i)]);
  }
  long rows = 0;
  VARIANT_BOOL eof = 0;
  rs->get_EOF(&eof);
  while (!eof) {
    for (auto* field : f) {
      VARIANT v;
      field->get_Value(&v);
      VariantClear(&v);
    }
    ++rows;
    rs->MoveNext();
    rs->get_EOF(&eof);
  }
  for (auto* field : f) field->Release();
  fields->Release();
  rs->Release();
  db->Release();
  return rows;
}

}  // namespace

int main(int argc, char** argv) {
  std::string path = argc > 1 ? argv[1] : std::string(OSTRELLE_TESTDATA_DIR) + "/bench/orders-200k.accdb";
  std::vector<std::string> tables;
  for (int i = 2; i < argc; ++i) tables.push_back(argv[i]);
  if (tables.empty()) tables = {"Orders", "Customers"};
  dao_register_engine();
  CoInitialize(nullptr);
  _DAODBEngine* engine = nullptr;
  if (FAILED(CoCreateInstance(CLSID_DAODBEngine120, nullptr, CLSCTX_ALL, IID__DAODBEngine,
                              reinterpret_cast<void**>(&engine)))) {
    std::fprintf(stderr, "cannot create the engine\n");
    return 1;
  }
  int status = 0;
  for (const auto& table : tables) {
    auto t0 = std::chrono::steady_clock::now();
    long rows = read_all(engine, path, table);
    double ours = seconds_since(t0);
    if (rows < 0) {
      std::fprintf(stderr, "cannot read %s of %s\n", table.c_str(), path.c_str());
      status = 1;
      continue;
    }
    t0 = std::chrono::steady_clock::now();
    std::string cmd = "mdb-export '" + path + "' '" + table + "' > /dev/null";
    int rc = std::system(cmd.c_str());
    double theirs = seconds_since(t0);
    std::printf("%-12s %8ld rows  ours %10.0f rows/s (%.2f s)  mdb-export %10.0f rows/s (%.2f s)%s\n", table.c_str(),
                rows, rows / ours, ours, rows / theirs, theirs, rc ? " (mdb-export failed)" : "");
  }
  engine->Release();
  CoUninitialize();
  return status;
}
