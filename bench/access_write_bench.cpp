// Copies every table of an Access file, with its indexes, into a new Access file through the
// DAO layer (create_table and append_record), the way a conversion into Access writes, and
// prints rows per second and the peak memory. The index trees are built at close, which the
// total includes.
//   access_write_bench source.mdb|.accdb target.mdb
#include <sys/resource.h>

#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_utils.h"
#include "UDB/udb_recordset.h"
#include "dao/dao_database.h"
#include "dao/dao_engine.h"

namespace {

long peak_kib() {
  rusage u{};
  getrusage(RUSAGE_SELF, &u);
  return u.ru_maxrss;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: access_write_bench SOURCE TARGET\n");
    return 2;
  }
  std::wstring source = tk_utf8_to_unicode(argv[1]);
  std::wstring target = tk_utf8_to_unicode(argv[2]);
  try {
    dao_engine engine(true, 0);
    engine.set_version_smart(source);
    std::unique_ptr<udb_database> in = engine.open_db(source, dao_open_read_only, L"");
    std::unique_ptr<udb_database> out = engine.create_db(target);
    std::uint64_t total = 0;
    double total_seconds = 0;
    std::vector<std::wstring> names = in->get_table_names();
    for (const auto& name : names) {
      std::unique_ptr<udb_recordset> rows = in->get_table(name, 1);
      if (!rows) continue;
      auto start = std::chrono::steady_clock::now();
      out->add_tn_mapping(name, name);
      std::unique_ptr<udb_recordset> dest = out->create_table(name, rows->schema, rows->indexes);
      std::uint64_t n = 0;
      rows->reset();
      while (!rows->is_eof()) {
        if (udb_record* r = rows->get_item()) {
          dest->append_record(*r);
          ++n;
        }
        rows->next();
      }
      double s = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
      total += n;
      total_seconds += s;
      std::printf("%-30s %10llu rows %8.2f s %10.0f rows/s  peak %ld MiB\n", tk_unicode_to_utf8(name).c_str(),
                  static_cast<unsigned long long>(n), s, s > 0 ? n / s : 0.0, peak_kib() / 1024);
    }
    auto start = std::chrono::steady_clock::now();
    out.reset();  // closes the file: definitions, maps and catalog are written now
    double close_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    total_seconds += close_seconds;
    std::printf("%-30s %10llu rows %8.2f s %10.0f rows/s  peak %ld MiB (close %.2f s)\n", "all tables",
                static_cast<unsigned long long>(total), total_seconds, total_seconds > 0 ? total / total_seconds : 0.0,
                peak_kib() / 1024, close_seconds);
    return 0;
  } catch (const tk_exception& e) {
    std::fprintf(stderr, "access_write_bench: %s\n", e.what());
    return 1;
  }
}
