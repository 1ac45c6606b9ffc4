// The libmdb declarations, for the two files that call libmdb (the file and the row cursor).
// Nothing else includes this header: the rest of the reader sees only jet_types.h.
#pragma once

#include <glib.h>
#include <mdbtools.h>

#include <vector>

#include "platform/jet/jet_file.h"

namespace jet {

struct jet_file::internals {
  MdbHandle* mdb = nullptr;
  std::vector<std::uint8_t> bytes;  // the whole file when it was opened from memory
  jet_format format = jet_format::jet4;
  unsigned code_page = 1252;
  std::uint32_t page_count = 0;  // whole pages the file holds; a page cut short is not one

  // Reads page `page` into the page buffer of `mdb`. False for a page past the end of the file
  // or cut short: libmdb pads a short page with zeros and, after a failed read, answers the
  // next read of that page from whatever its buffer held, so neither may be trusted.
  bool read_page(MdbHandle* mdb, std::uint32_t page) const;

  // Reads page `page` into the second page buffer of `mdb`, which libmdb leaves alone between
  // row reads; the same checks as read_page.
  bool read_alt_page(MdbHandle* mdb, std::uint32_t page) const;

  // A handle of its own for one cursor: pages are read into the handle's buffers, so two
  // cursors walking at once must not share one. Null when libmdb cannot clone.
  MdbHandle* clone() const;

 private:
  // Fills `buffer` with page `page`, decoded. A plain file is read with one pread and memory is
  // copied; libmdb's own read costs four system calls a page (it seeks to the end to learn the
  // file's size, then seeks and reads). The decrypting stream of an Office-encrypted file is
  // still read by libmdb.
  bool fetch_page(MdbHandle* mdb, std::uint32_t page, unsigned char* buffer, bool alt) const;
};

// Points libmdb's own text conversion of Jet 3 names at the file's code page.
void jet_fix_iconv(MdbHandle* mdb, jet_format format, unsigned code_page);

}  // namespace jet
