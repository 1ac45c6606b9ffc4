// Encodes and builds the indexes of a 200,000-row table shaped like the benchmark's Orders (a
// Long key, a repeating customer number, a text and a date) and prints keys per second and the
// bytes the builders hold until Close, to size the writer's index work.
//   jet_index_bench [rows]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/jet/write/jet_index_builder.h"
#include "platform/jet/write/jet_index_key.h"

namespace {

// Counts pages instead of writing them: the figure is the builder's, not the disk's.
class counting_sink : public jet::jet_page_sink {
 public:
  std::uint32_t allocate_page() override { return next_++; }
  void write_page(std::uint32_t, const std::vector<std::uint8_t>&) override { ++written; }
  std::size_t written = 0;

 private:
  std::uint32_t next_ = 1000;
};

}  // namespace

int main(int argc, char** argv) {
  const long rows = argc > 1 ? std::atol(argv[1]) : 200000;
  using namespace jet;
  const std::vector<std::vector<jet_key_column>> indexes = {
      {{jet_long, true}}, {{jet_long, true}}, {{jet_text, true}}, {{jet_datetime, false}, {jet_long, true}}};
  std::vector<jet_index_builder> builders;
  for (std::size_t i = 0; i < indexes.size(); ++i) builders.emplace_back(1000, i == 0);

  auto t0 = std::chrono::steady_clock::now();
  std::size_t key_bytes = 0;
  for (long r = 0; r < rows; ++r) {
    const auto id = static_cast<std::int32_t>(r + 1);
    const std::vector<std::vector<jet_value>> values = {
        {id},
        {static_cast<std::int32_t>(r * 7919 % 10000)},
        {std::wstring(L"Order note ") + std::to_wstring(r % 997) + L" \x00E9t\x00E9"},
        {jet_date{45000.0 + static_cast<double>(r % 3650) + 0.25}, id}};
    for (std::size_t i = 0; i < indexes.size(); ++i) {
      std::vector<std::uint8_t> key = jet_index_key(indexes[i], values[i]);
      key_bytes += key.size() + 4;
      builders[i].add(key, static_cast<std::uint32_t>(100 + r / 40), static_cast<std::uint8_t>(r % 40));
    }
  }
  const double encode = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  t0 = std::chrono::steady_clock::now();
  counting_sink sink;
  int levels = 0;
  for (auto& b : builders) levels = std::max(levels, b.build(sink).levels);
  const double build = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
  const double keys = static_cast<double>(rows) * static_cast<double>(indexes.size());
  std::printf(
      "%ld rows, %zu indexes: encode %.0f keys/s (%.2f s), build %.0f keys/s (%.2f s), "
      "%zu pages, %d levels at most, %.1f MB of entries held until Close\n",
      rows, indexes.size(), keys / encode, encode, keys / build, build, sink.written, levels,
      static_cast<double>(key_bytes) / 1e6);
  return 0;
}
