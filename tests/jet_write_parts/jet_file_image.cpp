// In-memory Access files for the writer's tests.
#include "tests/jet_write_parts/jet_file_image.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "platform/jet/jet_layout.h"
#include "tests/support/test_env.h"

namespace test_image {

std::vector<std::uint8_t> read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  if (!in) throw test_env::missing_input("cannot read " + path);
  return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path);
}

vector_sink::vector_sink(std::vector<std::uint8_t>& image)
    : image_(image), next_(static_cast<std::uint32_t>(image.size() / jet::jet4_page_size)) {}

std::uint32_t vector_sink::allocate_page() { return next_++; }

void vector_sink::write_page(std::uint32_t number, const std::vector<std::uint8_t>& page) {
  if (number >= next_ || page.size() != jet::jet4_page_size)
    throw std::logic_error("a page written that was never allocated, or not a whole page");
  std::size_t at = std::size_t{number} * jet::jet4_page_size;
  if (image_.size() < at + page.size()) image_.resize(at + page.size(), 0);
  std::memcpy(image_.data() + at, page.data(), page.size());
}

}  // namespace test_image
