// Small helpers the toolkit tests share: reading a whole file.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

inline std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

inline bool file_exists(const std::string& path) { return std::ifstream(path).good(); }
