// The error handler and its two tables of friendlier texts.
#include "common/error_handler.h"

#include <cwchar>

#include "TK/tk_addresses.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "common/front_end.h"
#include "platform/win/code_pages.h"

namespace {

constexpr const char* kFormatText =
    "Cannot recognize MS Access database format. See 'Troubleshooting'\narticle of the product "
    "documentation for solution.";
constexpr const char* kDuplicateText =
    "Duplicate field values being used for an unique index were found.\nSee 'Troubleshooting' "
    "article of the product documentation\nfor solution.";
constexpr const char* kWorkgroupText =
    "Invalid workgroup information file. Return to the previous\nwizard page and verify the "
    "correct path was given.";
constexpr const char* kConnectText =
    "Cannot connect to the MySQL server. Check to verify that MySQL server\nis launched and the "
    "correct host/port values were given.";
constexpr const char* kLostText =
    "The connection to the MySQL server was lost. Check that the server is running and\nreachable, "
    "then try again.";
constexpr const char* kAuthText =
    "The program does not support authentication protocol requested by server.\nSee "
    "'Troubleshooting' article of the product documentation.";

// The text is the thread's ANSI (UTF-8) form of the wide text; empty when it does not convert.
std::string to_thread_ansi(const std::wstring& text) {
  std::string out;
  if (text.empty()) return out;
  const int n = WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
  if (n <= 0) return out;
  out.resize(static_cast<std::size_t>(n));
  if (WideCharToMultiByte(CP_THREAD_ACP, 0, text.c_str(), -1, out.data(), n, nullptr, nullptr) != n) {
    return {};
  }
  out.resize(static_cast<std::size_t>(n) - 1);  // the NUL
  return out;
}

}  // namespace

const tk_error_entry dao_error_texts[] = {
    {0x10BE9, kFormatText},
    {0x10BEF,
     "Not a valid MS Access database name. Use the following characters\nto compose new database "
     "name: alphanumerics (A-Z, a-z, 0-9),\nunderscore characters (_) and spaces."},
    {0x10BCE, kDuplicateText},
    {0x10BD5,
     "Not a valid account name or password has been specified\nin MS Access user-level security "
     "settings"},
    {0x10C28,
     "Cannot extract relationships information. See 'Troubleshooting'\narticle of the product "
     "documentation for solution."},
    {0x10C65, kWorkgroupText},
    {0x10D1E, kWorkgroupText},
    {0x10D5D, "Data type conversion error. Please contact " TK_SUPPORT_ADDRESS "\nfor the solution."},
    {0x10D0F, kFormatText},
};
const std::uint32_t dao_error_texts_count = sizeof(dao_error_texts) / sizeof(dao_error_texts[0]);

const tk_error_entry mysql_error_texts[] = {
    {0x400414,
     "Access denied. Ask your system administrator to grant you\nthe necessary privileges to write "
     "into the database."},
    {0x400415,
     "Access denied. Verify the user name and password are correct, and you have\nthe necessary "
     "privileges to connect to the target MySQL server."},
    {0x400426, kDuplicateText},
    {0x40042F,
     "Primary key in the original database is too long.\nRestart the program with \"Skip "
     "converting indexes\"\ncheckbox selected in order to resolve the conflict.\n"},
    {0x40046A,
     "You are not allowed to connect to the destination MySQL server.\nAsk your system "
     "administrator to grant you necessary privileges\nto create new databases on target MySQL "
     "server."},
    {0x40041B,
     "Failed to overwrite MySQL database. It is being used by\nanother application. Specify a "
     "different destination name."},
    // 2002: the client library on Linux reports a refused TCP connection (and a missing socket)
    // with this code, where 2003 is what Windows clients see.
    {0x4007D2, kConnectText},
    {0x4007D3, kConnectText},
    {0x4007D5, kConnectText},
    // A connection that went away is no value too big: a row over the server's packet limit
    // is refused before it is sent, with its own message.
    {0x4007D6, kLostText},
    {0x4007DD, kLostText},
    {0x400807, kLostText},
    {0x4004E1, kAuthText},
    {0x4004E2, kAuthText},
    {0x4004E3, kAuthText},
};
const std::uint32_t mysql_error_texts_count = sizeof(mysql_error_texts) / sizeof(mysql_error_texts[0]);

error_handler::error_handler(std::uint32_t count, const tk_error_entry* table) : texts_(count, table) {
  tk_log1(tk_log_detail, "error_handler::ctor");
}

error_handler::~error_handler() = default;

void error_handler::load_err_map(std::uint32_t count, const tk_error_entry* table) {
  tk_log1(tk_log_detail, "error_handler::load_err_map");
  texts_.load_map(count, table);
}

void error_handler::set_context(const std::wstring& table) { context_ = to_thread_ansi(table); }

void error_handler::set_context(const std::wstring& table, std::uint32_t record) {
  wchar_t buffer[256];
  const int n = std::swprintf(buffer, 256, L"%ls, record #%d", table.c_str(), static_cast<int>(record));
  // A name too long for the buffer still leaves the report a context of the name itself.
  context_ = to_thread_ansi(n >= 0 ? std::wstring(buffer) : table);
}

std::string error_handler::make_report(const tk_exception& e) const {
  std::string report;
  if (!context_.empty()) report = context_ + ": ";
  std::string text = texts_.convert(e.code());
  report += text.empty() ? std::string(e.what()) : text;
  return report;
}

void error_handler::handle(const tk_exception& e, bool no_abort) {
  tk_log1(tk_log_detail, "error_handler::handle");
  ++errors_reported_;
  conversion_front_end* front = conversion_front_end::exists() ? conversion_front_end::get_instance() : nullptr;
  if (e.kind() == tk_kind_internal) {
    tk_log1(tk_log_event, "Internal error:\n%s", e.what());
    if (front != nullptr) front->internal_error(e.what());
    return;
  }
  std::string report = make_report(e);
  tk_log1(tk_log_event, "Error:\n%s", report.c_str());
  report = tk_string::replace_all(report, "\n", " ");
  if (e.kind() == tk_kind_error) {
    tk_log1(tk_log_trace, "Got 1-level error");
    if (front != nullptr) front->report_error(tk_kind_error, report, silent);
    return;
  }
  tk_log1(tk_log_trace, "Got 0-level error");
  if (front == nullptr) return;
  const error_decision decision = front->report_error(tk_kind_continuable, report, silent);
  if (decision.stop && !no_abort) throw tk_final_exception();
  if (decision.silence) silent = true;
}
