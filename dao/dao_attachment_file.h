// The file an Access attachment holds. Access stores each attached file wrapped: a type, the
// length of the content, then the content (often one zlib stream), whose header comes first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The file's own bytes, or what keeps the stored value from being read as a file.
struct dao_attachment_file {
  bool unwrapped = false;
  std::vector<std::uint8_t> bytes;  // the file, when unwrapped
  std::string fault;                // why not, otherwise ("its content does not inflate")
};

// Reads a stored attachment value (FileData) as the file it wraps. Never throws for a damaged
// value: the caller keeps such a value as stored and reports the fault.
dao_attachment_file dao_unwrap_attachment(const std::uint8_t* stored, std::size_t size);
