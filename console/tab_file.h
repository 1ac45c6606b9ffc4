// The table-names file of VDYAGENT: one Access table name per line, UTF-8 when its first name
// starts with a byte-order mark, else in the ANSI code page.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Longest table name a line may hold, in bytes.
constexpr std::size_t tab_file_max_name = 254;

struct tab_file_names {
  std::vector<std::wstring> names;  // in file order, duplicates and blanks kept
  // 1-based number of the first line longer than tab_file_max_name; 0 when every line fits.
  std::uint32_t long_line = 0;
};

// Reads every name of an open file. A line ends at LF; a CR before it is not part of the name;
// empty lines are skipped. Stops at the first line that is too long, without reading the rest of
// that line. A text that does not convert
// raises tk_exception_ex (kind 0) with the prefix "Cannot convert to UNICODE string: ".
tab_file_names read_tab_names(std::FILE* file);

// Reads the file named by the option and makes its names the converter's selected tables. A
// missing file, one that is not a regular file, or a too long line, ends the program with a
// message; a file that cannot be read
// raises a tk_exception of kind 0.
void process_tab_file(const std::string& path);
