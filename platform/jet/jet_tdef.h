// Our own reading of a table definition's bytes: the column descriptors with their flag bits
// and the indexes with their key columns. libmdb's index reader loses the key columns of
// relationship indexes and maps keys to the wrong columns once a column has been deleted.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/jet/jet_file.h"
#include "platform/jet/jet_types.h"

namespace jet {

struct jet_tdef_column {
  std::wstring name;
  int type = 0;
  int col_num = 0;             // the number index keys refer to (deleted columns counted)
  std::uint8_t flags = 0;      // fixed 0x01, nullable 0x02, AutoNumber 0x04, replication 0x10,
                               // AutoNumber GUID 0x40, hyperlink 0x80
  std::uint8_t ext_flags = 0;  // Jet 4 and later: compressed text 0x01, calculated 0xC0
  int precision = 0;           // Decimal columns
  int scale = 0;
};

struct jet_tdef {
  std::vector<jet_tdef_column> columns;  // in stored order
  std::vector<jet_index_def> indexes;    // key columns as col_num values in `columns` positions
};

// Parses the definition bytes (all pages of the chain joined, each later page without its
// header). False when the bytes are too short for what they announce.
bool jet_parse_tdef(const std::vector<std::uint8_t>& bytes, jet_format format, const jet_file& file, jet_tdef& out);

}  // namespace jet
