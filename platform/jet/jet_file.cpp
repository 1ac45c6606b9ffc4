// Opening an Access file through libmdb, checking its header and reading table definitions.
#include "platform/jet/jet_file.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

#include "platform/jet/crypto/office_crypto.h"
#include "platform/jet/jet_diagnostics.h"
#include "platform/jet/jet_layout.h"
#include "platform/jet/jet_libmdb.h"
#include "platform/jet/jet_rc4.h"
#include "platform/jet/jet_tdef.h"

namespace jet {

namespace {

constexpr std::size_t header_read = 4096;
constexpr const char (&jet_signature)[16] = jet_layout_jet_signature;
constexpr const char (&ace_signature)[16] = jet_layout_ace_signature;
constexpr std::uint8_t cfb_signature[] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};

std::uint16_t u16(const std::uint8_t* p) { return static_cast<std::uint16_t>(p[0] | (p[1] << 8)); }
std::uint32_t u32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

std::wstring utf8_to_wide(const char* s) {
  // Names from libmdb arrive in UTF-8; decode them without depending on the process locale.
  std::wstring out;
  const auto* p = reinterpret_cast<const unsigned char*>(s);
  while (*p) {
    unsigned c = *p++;
    int extra = c >= 0xF0 ? 3 : c >= 0xE0 ? 2 : c >= 0xC0 ? 1 : 0;
    if (extra) c &= (0x3F >> extra);
    for (int i = 0; i < extra && (*p & 0xC0) == 0x80; ++i) c = (c << 6) | (*p++ & 0x3F);
    out.push_back(static_cast<wchar_t>(c));
  }
  return out;
}

}  // namespace

jet_status jet_read_header(const std::uint8_t* page0, std::size_t size, jet_header& out) {
  if (size >= sizeof cfb_signature && std::memcmp(page0, cfb_signature, sizeof cfb_signature) == 0)
    return jet_status::office_encrypted;
  if (size < 0x18 + 128) return jet_status::not_access;
  if (page0[0] != 0 || page0[1] != 1 || page0[2] != 0 || page0[3] != 0) return jet_status::not_access;
  bool jet = std::memcmp(page0 + 4, jet_signature, sizeof jet_signature) == 0;
  bool ace = std::memcmp(page0 + 4, ace_signature, sizeof ace_signature) == 0;
  if (!jet && !ace) return jet_status::not_access;
  int version = page0[20];
  if (version > 6) return jet_status::not_access;
  out.version_byte = version;
  out.format = version == 0 ? jet_format::jet3 : version == 1 ? jet_format::jet4 : jet_format::ace;
  out.page_size = version == 0 ? 2048 : 4096;

  // The header past offset 0x18 is RC4-encoded with a fixed key.
  std::size_t len = version == 0 ? 126 : 128;
  std::uint8_t plain[128];
  std::memcpy(plain, page0 + 0x18, len);
  jet_rc4 rc4(jet_layout_header_key, sizeof jet_layout_header_key);
  rc4.apply(plain, len);
  auto at = [&](std::size_t offset) { return plain + (offset - 0x18); };

  out.code_page = u16(at(0x3C));
  out.page_encoded = u32(at(0x3E)) != 0;
  out.password.clear();
  if (version == 0) {
    const std::uint8_t* pw = at(0x42);
    std::size_t n = 0;
    while (n < 20 && pw[n] != 0) ++n;
    // Code-page text; the caller decodes it with the file's code page.
    for (std::size_t i = 0; i < n; ++i) out.password.push_back(static_cast<wchar_t>(pw[i]));
  } else if (version == 1) {
    // Jet 4 masks the password with the integer part of the creation date.
    double date;
    std::memcpy(&date, at(0x72), sizeof date);
    std::uint32_t mask_word = 0;
    if (date > -2147483648.0 && date < 2147483648.0)
      mask_word = static_cast<std::uint32_t>(static_cast<std::int32_t>(date));
    std::uint8_t mask[4] = {static_cast<std::uint8_t>(mask_word), static_cast<std::uint8_t>(mask_word >> 8),
                            static_cast<std::uint8_t>(mask_word >> 16), static_cast<std::uint8_t>(mask_word >> 24)};
    std::uint8_t pw[40];
    std::memcpy(pw, at(0x42), sizeof pw);
    for (std::size_t i = 0; i < sizeof pw; ++i) pw[i] ^= mask[i % 4];
    std::size_t n = 0;
    while (n + 1 < sizeof pw && (pw[n] != 0 || pw[n + 1] != 0)) n += 2;
    out.password = jet_decode_utf16(pw, n);
  }
  return jet_status::ok;
}

void jet_fix_iconv(MdbHandle* mdb, jet_format format, unsigned code_page) {
  if (format != jet_format::jet3 || mdb == nullptr) return;
  std::string name = jet_iconv_name(code_page);
  iconv_t in = iconv_open("UTF-8", name.c_str());
  iconv_t out = iconv_open(name.c_str(), "UTF-8");
  if (in == reinterpret_cast<iconv_t>(-1) || out == reinterpret_cast<iconv_t>(-1)) {
    if (in != reinterpret_cast<iconv_t>(-1)) iconv_close(in);
    if (out != reinterpret_cast<iconv_t>(-1)) iconv_close(out);
    return;
  }
  mdb_iconv_close(mdb);
  mdb->iconv_in = in;
  mdb->iconv_out = out;
}

bool jet_file::internals::fetch_page(MdbHandle* handle, std::uint32_t page, unsigned char* buffer, bool alt) const {
  const auto page_size = static_cast<std::size_t>(handle->fmt->pg_size);
  if (page >= page_count) return false;
  const std::uint64_t offset = static_cast<std::uint64_t>(page) * page_size;
  const int fd = bytes.empty() ? fileno(handle->f->stream) : -1;
  if (bytes.empty() && fd < 0) {
    jet_stderr_guard quiet;
    const ssize_t got = alt ? mdb_read_alt_pg(handle, page) : mdb_read_pg(handle, page);
    return got == static_cast<ssize_t>(page_size);
  }
  if (!bytes.empty()) {
    if (offset + page_size > bytes.size()) return false;
    std::memcpy(buffer, bytes.data() + offset, page_size);
  } else {
    std::size_t done = 0;
    while (done < page_size) {
      const ssize_t got = pread(fd, buffer + done, page_size - done, static_cast<off_t>(offset + done));
      if (got < 0 && errno == EINTR) continue;
      // A file cut short since it was opened: the page is not whole.
      if (got <= 0) return false;
      done += static_cast<std::size_t>(got);
    }
  }
  // An encoded database masks every page but the header with RC4, keyed by the page number.
  const std::uint32_t db_key = handle->f->db_key;
  if (page != 0 && db_key != 0) {
    const std::uint32_t key = db_key ^ page;
    const std::uint8_t key_bytes[4] = {static_cast<std::uint8_t>(key), static_cast<std::uint8_t>(key >> 8),
                                       static_cast<std::uint8_t>(key >> 16), static_cast<std::uint8_t>(key >> 24)};
    jet_rc4(key_bytes, sizeof key_bytes).apply(buffer, page_size);
  }
  return true;
}

bool jet_file::internals::read_page(MdbHandle* handle, std::uint32_t page) const {
  // libmdb answers a read of the page it read last from its buffer: a failed read must not
  // leave that page looking read.
  handle->cur_pg = 0;
  if (!fetch_page(handle, page, handle->pg_buf, false)) {
    handle->cur_pg = 0;
    return false;
  }
  handle->cur_pg = page;
  handle->cur_pos = 0;
  return true;
}

bool jet_file::internals::read_alt_page(MdbHandle* handle, std::uint32_t page) const {
  return fetch_page(handle, page, handle->alt_pg_buf, true);
}

MdbHandle* jet_file::internals::clone() const {
  jet_stderr_guard quiet;
  MdbHandle* copy = mdb_clone_handle(mdb);
  if (copy) jet_fix_iconv(copy, format, code_page);
  return copy;
}

jet_file::~jet_file() {
  jet_stderr_guard quiet;
  if (impl_ && impl_->mdb) mdb_close(impl_->mdb);
}

jet_status jet_file::open(const std::string& path, const std::wstring& password, std::unique_ptr<jet_file>& out) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return jet_status::file_not_found;
  std::vector<std::uint8_t> page0(header_read);
  in.read(reinterpret_cast<char*>(page0.data()), static_cast<std::streamsize>(page0.size()));
  page0.resize(static_cast<std::size_t>(in.gcount()));
  std::unique_ptr<jet_file> file(new jet_file);
  file->path_ = path;
  jet_status st = jet_read_header(page0.data(), page0.size(), file->header_);
  if (st != jet_status::ok) return st;
  if (page0.size() < file->header_.page_size) return jet_status::corrupt;
  if (file->header_.format == jet_format::ace && office_crypto_header_is_encrypted(page0.data(), page0.size()))
    return open_office_encrypted(std::move(file), password, out);
  if (file->header_.format == jet_format::ace) {
    // An ACE file whose catalog page is not a table definition has its pages encrypted with
    // the Office scheme, keyed by the password.
    std::uint8_t type = 0;
    in.clear();
    in.seekg(static_cast<std::streamoff>(2 * file->header_.page_size));
    in.read(reinterpret_cast<char*>(&type), 1);
    if (!in) return jet_status::corrupt;
    if (type != 0x02) return jet_status::office_encrypted;
  }
  file->impl_ = std::make_unique<internals>();
  {
    jet_stderr_guard quiet;
    file->impl_->mdb = mdb_open(path.c_str(), MDB_NOFLAGS);
  }
  if (!file->impl_->mdb) return jet_status::corrupt;
  return finish_open(std::move(file), password, out);
}

jet_status jet_file::open_office_encrypted(std::unique_ptr<jet_file> file, const std::wstring& password,
                                           std::unique_ptr<jet_file>& out) {
  office_crypto_open_result opened = office_crypto_open(file->path_.c_str(), password);
  switch (opened.status) {
    case office_crypto_status::ok: break;
    case office_crypto_status::wrong_password: return jet_status::bad_password;
    case office_crypto_status::unsupported_scheme: return jet_status::office_encrypted;
    case office_crypto_status::damaged_header:
    case office_crypto_status::cannot_read: return jet_status::corrupt;
  }
  file->impl_ = std::make_unique<internals>();
  {
    jet_stderr_guard quiet;
    file->impl_->mdb = mdb_open(file->path_.c_str(), MDB_NOFLAGS);
  }
  if (!file->impl_->mdb) {
    std::fclose(opened.stream);
    return jet_status::corrupt;
  }
  // libmdb has read page 0, which is never encrypted, from the file itself; every later page it
  // reads through the decrypting stream, which mdb_close closes. The pages come out plain, so
  // libmdb must not apply the Jet page encoding on top.
  std::fclose(file->impl_->mdb->f->stream);
  file->impl_->mdb->f->stream = opened.stream;
  file->impl_->mdb->f->db_key = 0;
  return finish_open(std::move(file), password, out);
}

jet_status jet_file::open_bytes(std::vector<std::uint8_t> bytes, const std::wstring& password,
                                std::unique_ptr<jet_file>& out) {
  std::unique_ptr<jet_file> file(new jet_file);
  jet_status st = jet_read_header(bytes.data(), bytes.size(), file->header_);
  if (st != jet_status::ok) return st;
  if (bytes.size() < file->header_.page_size) return jet_status::corrupt;
  file->impl_ = std::make_unique<internals>();
  file->impl_->bytes = std::move(bytes);
  {
    jet_stderr_guard quiet;
    file->impl_->mdb = mdb_open_buffer(file->impl_->bytes.data(), file->impl_->bytes.size(), MDB_NOFLAGS);
  }
  if (!file->impl_->mdb) return jet_status::corrupt;
  return finish_open(std::move(file), password, out);
}

jet_status jet_file::finish_open(std::unique_ptr<jet_file> file, const std::wstring& password,
                                 std::unique_ptr<jet_file>& out) {
  jet_header& h = file->header_;
  file->codepage_ = std::make_unique<jet_codepage>(h.code_page ? h.code_page : 1252);
  if (h.format == jet_format::jet3) {
    std::string raw(h.password.begin(), h.password.end());
    h.password = file->codepage_->decode(reinterpret_cast<const std::uint8_t*>(raw.data()), raw.size());
  }
  file->impl_->format = h.format;
  file->impl_->code_page = file->codepage_->code_page();
  std::FILE* stream = file->impl_->mdb->f->stream;
  if (fseeko(stream, 0, SEEK_END) != 0) return jet_status::corrupt;
  const off_t size = ftello(stream);
  if (size < 0) return jet_status::corrupt;
  file->impl_->page_count =
      static_cast<std::uint32_t>(std::min<std::uint64_t>(static_cast<std::uint64_t>(size) / h.page_size, UINT32_MAX));
  jet_fix_iconv(file->impl_->mdb, h.format, file->impl_->code_page);
  // A database without a password opens whatever password is given, as the engine does.
  if (!h.password.empty() && h.password != password) return jet_status::bad_password;
  out = std::move(file);
  return jet_status::ok;
}

std::wstring jet_file::decode_text(const std::uint8_t* data, std::size_t size) const {
  if (header_.format == jet_format::jet3) return codepage_->decode(data, size);
  return jet_decode_unicode(data, size);
}

namespace {

// Reads the definition of one table with libmdb; the caller frees it with mdb_free_tabledef.
struct tabledef_holder {
  jet_stderr_guard quiet;
  MdbCatalogEntry entry{};
  MdbTableDef* table = nullptr;
  tabledef_holder(MdbHandle* mdb, std::uint32_t page) {
    entry.mdb = mdb;
    entry.object_type = MDB_TABLE;
    entry.table_pg = page;
    std::strcpy(entry.object_name, "table");
    if (page == 0) return;
    table = mdb_read_table(&entry);
    if (table && !mdb_read_columns(table)) {
      mdb_free_tabledef(table);
      table = nullptr;
    }
  }
  ~tabledef_holder() {
    if (table) mdb_free_tabledef(table);
  }
};

}  // namespace

bool jet_file::read_table(std::uint32_t page, jet_table_def& out) const {
  std::vector<std::uint8_t> bytes;
  // Every page of the definition must be there before libmdb reads it: libmdb does not check.
  if (!read_definition(page, bytes)) return false;
  jet_tdef tdef;
  bool have_tdef = jet_parse_tdef(bytes, header_.format, *this, tdef);
  tabledef_holder h(impl_->mdb, page);
  if (!h.table) return false;
  out.page = page;
  out.row_count = h.table->num_rows;
  out.columns.clear();
  for (unsigned i = 0; i < h.table->num_cols; ++i) {
    auto* col = static_cast<MdbColumn*>(g_ptr_array_index(h.table->columns, i));
    jet_column c;
    c.name = utf8_to_wide(col->name);
    c.type = col->col_type;
    c.size = col->col_size;
    c.number = static_cast<int>(i);
    c.fixed = col->is_fixed != 0;
    c.auto_long = col->is_long_auto != 0;
    c.auto_guid = col->is_uuid_auto != 0;
    // libmdb reads precision and scale the other way round; our own reading of the
    // definition, when it succeeds, is the one to trust.
    c.precision = col->col_scale;
    c.scale = col->col_prec;
    if (have_tdef)
      for (const auto& t : tdef.columns)
        if (t.name == c.name) {
          c.flags = static_cast<std::uint16_t>(t.flags | (t.ext_flags << 8));
          c.calculated = (t.ext_flags & 0xC0) != 0;
          if (c.type == jet_numeric) {
            c.precision = t.precision;
            c.scale = t.scale;
          }
        }
    out.columns.push_back(std::move(c));
  }
  return true;
}

bool jet_file::read_definition(std::uint32_t page, std::vector<std::uint8_t>& out) const {
  jet_stderr_guard quiet;
  MdbHandle* mdb = impl_->mdb;
  const std::size_t page_size = static_cast<std::size_t>(mdb->fmt->pg_size);
  constexpr std::size_t continuation_header = 8;
  out.clear();
  std::vector<std::uint32_t> seen;
  // A definition runs over a chain of pages; a damaged chain must not loop.
  while (page != 0 && seen.size() < 256) {
    for (std::uint32_t s : seen)
      if (s == page) return false;
    seen.push_back(page);
    if (!impl_->read_page(mdb, page)) return false;
    if (mdb->pg_buf[0] != MDB_PAGE_TABLE) return false;
    const std::uint8_t* p = mdb->pg_buf;
    if (out.empty())
      out.insert(out.end(), p, p + page_size);
    else
      out.insert(out.end(), p + continuation_header, p + page_size);
    page = static_cast<std::uint32_t>(p[4] | (p[5] << 8) | (p[6] << 16) | (static_cast<std::uint32_t>(p[7]) << 24));
  }
  return page == 0;
}

bool jet_file::read_indexes(std::uint32_t page, std::vector<jet_index_def>& out) const {
  std::vector<std::uint8_t> bytes;
  jet_table_def def;
  jet_tdef tdef;
  if (!read_definition(page, bytes) || !read_table(page, def) || !jet_parse_tdef(bytes, header_.format, *this, tdef))
    return false;
  // Key positions are positions among the stored descriptors; turn them into positions
  // among the live columns that read_table lists.
  out = std::move(tdef.indexes);
  for (auto& idx : out)
    for (auto& k : idx.columns) {
      const std::wstring& name = tdef.columns[static_cast<std::size_t>(k.column)].name;
      k.column = -1;
      for (const auto& c : def.columns)
        if (c.name == name) k.column = c.number;
    }
  return true;
}

}  // namespace jet
