// Copies every table of an Access file, with its indexes, then its relationships, into a new
// Access file through the DAO layer (create_table, append_record, create_relationships), the
// way a conversion into Access writes, and prints rows per second and the peak memory. The
// index trees are built at close, which the total includes.
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
    // A relationship refused is a failed run, not a faster one.
    int refused = 0;
    out->report_error = [&](const std::string& context, const tk_exception& e) {
      std::fprintf(stderr, "access_write_bench: relationship %s: %s\n", context.c_str(), e.what());
      ++refused;
    };
    auto start = std::chrono::steady_clock::now();
    udb_relationships wanted;
    for (const auto& r : in->relationships)
      if (!dao_database::is_system_table(r.table)) wanted.push_back(r);
    out->create_relationships(wanted);
    double relationship_seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    total_seconds += relationship_seconds;
    std::printf("%-30s %10zu made %8.2f s  peak %ld MiB\n", "relationships", wanted.size() - refused,
                relationship_seconds, peak_kib() / 1024);
    if (refused != 0) return 1;
    start = std::chrono::steady_clock::now();
    out->close();  // definitions, maps and catalog are written now
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
