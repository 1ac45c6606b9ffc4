// The converter's selections and their profile keys.
#include "converter/udb_converter.h"

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "UDB/udb_profile.h"

namespace {

const std::wstring kGeneric = L"Generic settings";

std::wstring flag_text(bool on) { return on ? L"1" : L"0"; }

// A profile line holds one value: the line breaks of an SQL text become blanks.
std::wstring one_line(const std::wstring& text) {
  std::wstring out = tk_wstring::replace_all(text, L"\r\n", L" ");
  out = tk_wstring::replace_all(out, L"\n", L" ");
  return tk_wstring::replace_all(out, L"\r", L" ");
}

// A table name that a bare profile line would not give back as that table.
bool needs_table_marker(const std::wstring& name) {
  if (name.find(L'=') != std::wstring::npos || tk_trim(name) != name) return true;
  return name.size() >= 2 && name.front() == L'[' && name.back() == L']';
}

void load_flag(const udb_profile& profile, const wchar_t* key, bool& field) {
  const std::wstring value = profile.get_value(kGeneric, key);
  if (!value.empty()) field = value != L"0";
}

}  // namespace

udb_converter::udb_converter() { tk_log1(tk_log_detail, "udb_converter::ctor"); }

void udb_converter::set_mode(std::uint32_t mode) {
  tk_log1(tk_log_detail, "udb_converter::set_mode(%d)", static_cast<int>(mode));
  conversion_mode = mode;
}

std::wstring udb_converter::get_current_table() const {
  std::lock_guard<std::mutex> lock(current_mutex_);
  return current_table_;
}

void udb_converter::set_current_table(const std::wstring& name) {
  std::lock_guard<std::mutex> lock(current_mutex_);
  current_table_ = name;
}

bool udb_converter::load_profile(udb_profile& profile) {
  tk_log1(tk_log_detail, "udb_converter::load_profile");
  for (const auto& [name, sql] : profile.get_selected_tables()) {
    // "=name": a table whose name the plain line would not keep (see store_profile).
    if (name.empty() && !sql.empty()) {
      tk_log2(tk_log_detail, L"Loading table '%ls'", sql.c_str());
      items.emplace_back(sql, L"");
      continue;
    }
    tk_log2(tk_log_detail, sql.empty() ? L"Loading table '%ls'" : L"Loading query '%ls'", name.c_str());
    items.emplace_back(name, sql);
  }
  for (const auto& query : profile.get_available_queries()) available_queries.push_back(query);
  for (const auto& view : profile.get_selected_views()) selected_views.push_back(view);

  const std::wstring source = profile.get_value(kGeneric, L"src");
  if (!source.empty()) {
    tk_log2(tk_log_detail, L"source='%ls'", source.c_str());
    src = source;
  }
  const std::wstring destination = profile.get_value(kGeneric, L"dest");
  if (!destination.empty()) {
    tk_log2(tk_log_detail, L"dest='%ls'", destination.c_str());
    dest = destination;
  }
  const std::wstring logfile = profile.get_value(kGeneric, L"logfile");
  if (!logfile.empty()) {
    const std::string path = tk_unicode_to_mbcs(logfile, tk_ansi_code_page);
    tk_log1(tk_log_trace, "Logfile=%s", path.c_str());
    set_logfile(path);
  }
  load_flag(profile, L"only definitions", tab_def);
  const std::wstring mode = profile.get_value(kGeneric, L"mode");
  if (!mode.empty()) {
    // A run knows the modes 0 to 4 only; anything else would run as none of them.
    if (mode.size() != 1 || mode[0] < L'0' || mode[0] > L'4') {
      throw tk_exception("The profile names an unknown conversion mode '%s'. The modes are 0 to 4.",
                         tk_unicode_to_utf8(mode), tk_kind_error);
    }
    conversion_mode = static_cast<std::uint32_t>(mode[0] - L'0');
  }
  load_flag(profile, L"skip indexes", skip_idx);
  return true;
}

bool udb_converter::store_profile(udb_profile& profile) const {
  tk_log1(tk_log_detail, "udb_converter::store_profile");
  // Written from the lists as they are: the converter keeps its items, so a second save still
  // holds the user queries. User queries come first, then the tables.
  for (const auto& [name, sql] : available_queries) {
    tk_log2(tk_log_detail, L"Available Query: (%ls,%ls)", name.c_str(), sql.c_str());
    profile.get_available_queries().emplace_back(name, one_line(sql));
  }
  for (const bool queries : {true, false}) {
    for (const auto& [name, sql] : items) {
      if (sql.empty() == queries) continue;
      tk_log2(tk_log_detail, L"Selected Query: (%ls,%ls)", name.c_str(), sql.c_str());
      // A table is a line of its bare name. A name with "=" would read back as a query, one with
      // blanks at an end would lose them, and "[x]" would read as a section header: such a name
      // is written "=name", a line no earlier profile holds (a query without a name).
      if (queries || !needs_table_marker(name)) {
        profile.get_selected_tables().emplace_back(name, one_line(sql));
      } else {
        profile.get_selected_tables().emplace_back(L"", name);
      }
    }
  }
  for (const auto& [name, sql] : selected_views) {
    tk_log2(tk_log_detail, L"Selected View: (%ls,%ls)", name.c_str(), sql.c_str());
    profile.get_selected_views().emplace_back(name, one_line(sql));
  }
  profile.add_value(kGeneric, L"src", src);
  profile.add_value(kGeneric, L"dest", dest);
  profile.add_value(kGeneric, L"logfile", tk_utf8_to_unicode(log_file));
  profile.add_value(kGeneric, L"skip indexes", flag_text(skip_idx));
  profile.add_value(kGeneric, L"only definitions", flag_text(tab_def));
  profile.add_value(kGeneric, L"mode", std::to_wstring(conversion_mode));
  return true;
}
