// Copies of the real test Access files with one stored value altered, for the faults Access
// never writes.
#include "tests/console/altered_access_file.h"

#include <cmath>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "tests/support/test_env.h"

namespace console_test {

std::string altered_access_file(const std::string& testdata_file, const std::string& stored,
                                const std::string& replacement, const std::string& folder, const std::string& name) {
  std::ifstream in(test_env::testdata_path(testdata_file), std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t at = bytes.find(stored);
  if (stored.size() != replacement.size() || at == std::string::npos || bytes.find(stored, at + 1) != std::string::npos)
    throw std::runtime_error("the value to alter is not stored exactly once in " + testdata_file);
  bytes.replace(at, stored.size(), replacement);
  const std::string path = folder + "/" + name;
  std::ofstream(path, std::ios::binary) << bytes;
  return path;
}

std::string access_file_with_nan(const std::string& folder) {
  const double stored = 444.555;
  const double nan = std::nan("");
  return altered_access_file("access/ace/testV2010.accdb",
                             std::string(reinterpret_cast<const char*>(&stored), sizeof stored),
                             std::string(reinterpret_cast<const char*>(&nan), sizeof nan), folder, "nan.accdb");
}

std::string access_file_with_damaged_attachment(const std::string& folder) {
  // Type 1 (deflated), 58 bytes of content, the start of the zlib stream.
  const std::string stored("\x01\0\0\0\x3A\0\0\0\x78\x5E", 10);
  std::string damaged = stored;
  damaged[0] = '\x07';
  return altered_access_file("access/ace/complexDataTestV2010.accdb", stored, damaged, folder, "attach.accdb");
}

std::string access_file_with_unknown_result_type(const std::string& folder) {
  // The end of Monthly's expression "[Salary]/12", then its ResultType property: 9 bytes long,
  // set by DDL, a Byte, name 1 of the blob's names, a value of 1 byte: 5 (Currency).
  const std::string stored(
      "/\0"
      "1\0"
      "2\0"
      "\x09\0\x01\x02\x01\0\x01\0\x05",
      15);
  std::string unknown = stored;
  unknown.back() = '\x42';
  return altered_access_file("fixtures/calcResultTypeV2010.accdb", stored, unknown, folder, "result_type.accdb");
}

}  // namespace console_test
