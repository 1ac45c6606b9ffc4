// A whole Access file held in memory for the writer's tests: read from the test data, grown by
// the writer's parts through a page sink, edited byte by byte and opened by our reader.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/jet/write/jet_page_sink.h"

namespace test_image {

// The bytes of a file; throws test_env::missing_input when it cannot be read.
std::vector<std::uint8_t> read_file(const std::string& path);
void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes);

// Hands out page numbers past the end of `image` and writes pages into it, growing it.
class vector_sink : public jet::jet_page_sink {
 public:
  explicit vector_sink(std::vector<std::uint8_t>& image);
  std::uint32_t allocate_page() override;
  void write_page(std::uint32_t number, const std::vector<std::uint8_t>& page) override;

 private:
  std::vector<std::uint8_t>& image_;
  std::uint32_t next_;
};

}  // namespace test_image
