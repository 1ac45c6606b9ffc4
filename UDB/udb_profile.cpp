// Reading and writing profile files.
#include "UDB/udb_profile.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>

#include "TK/tk_exception.h"
#include "TK/tk_fname.h"
#include "TK/tk_logger.h"
#include "TK/tk_temp_file.h"
#include "TK/tk_utils.h"

namespace {

const wchar_t kAvailableQueries[] = L"Available Queries";
const wchar_t kSelectedTables[] = L"Selected Tables";
const wchar_t kSelectedViews[] = L"Selected Views";
const wchar_t kGenericSettings[] = L"Generic settings";
const wchar_t kLineEnd[] = L"\r\n";

struct file_closer {
  void operator()(std::FILE* f) const { std::fclose(f); }
};

// Reads one line with its line end; false at the end of the file when nothing was read, or
// (with `too_long` set) once the line holds more than `most` bytes.
bool read_line(std::FILE* file, std::string& line, std::size_t most, bool& too_long) {
  line.clear();
  too_long = false;
  int c;
  while ((c = std::getc(file)) != EOF) {
    line += static_cast<char>(c);
    if (c == '\n') return true;
    if (line.size() > most) {
      too_long = true;
      return false;
    }
  }
  return !line.empty();
}

// The pair a line of a section reads as; false for a blank line, which reads as nothing. A
// value is everything after the first "=", taken from the untrimmed line: blanks that end a
// value (a password, say) belong to it.
bool pair_of_line(const std::wstring& raw, std::pair<std::wstring, std::wstring>& pair) {
  const size_t eq = raw.find(L'=');
  if (eq != std::wstring::npos) {
    pair = {tk_trim(raw.substr(0, eq)), raw.substr(eq + 1)};
    return true;
  }
  const std::wstring trimmed = tk_trim(raw);
  if (trimmed.empty()) return false;
  pair = {trimmed, L""};
  return true;
}

bool is_header(const std::wstring& trimmed) {
  return trimmed.size() >= 2 && trimmed.front() == L'[' && trimmed.back() == L']';
}

// How a pair is written in its section: in "Selected Tables" alone an empty value leaves the
// bare key.
std::wstring line_of_pair(const std::wstring& section, const std::pair<std::wstring, std::wstring>& pair) {
  if (pair.second.empty() && section == kSelectedTables) return pair.first;
  return pair.first + L"=" + pair.second;
}

// True when the list holds the very lines the section's pairs were read from. Reading a file
// keeps each section's lines in the list of its name as well; writing both blocks would read
// back as every pair and every line twice, and again twice as many with each save.
bool list_mirrors_section(const udb_profile::lines& list, const udb_profile::pairs& section) {
  udb_profile::pairs read;
  for (const std::wstring& line : list) {
    if (is_header(tk_trim(line))) return false;
    std::pair<std::wstring, std::wstring> pair;
    if (pair_of_line(line, pair)) read.push_back(std::move(pair));
  }
  return read == section;
}

// True when writing the section's pairs gives the list's lines exactly, so that one block in
// the section's place stands for both; otherwise the list's lines (indented, say) are the text.
bool list_is_section_text(const std::wstring& name, const udb_profile::lines& list, const udb_profile::pairs& section) {
  if (list.size() != section.size()) return false;
  for (size_t i = 0; i < list.size(); ++i)
    if (list[i] != line_of_pair(name, section[i])) return false;
  return true;
}

}  // namespace

udb_profile::udb_profile() {
  for (const wchar_t* name : {kAvailableQueries, kSelectedTables, kSelectedViews, kGenericSettings}) sections[name];
}

void udb_profile::add_value(const std::wstring& section, const std::wstring& key, const std::wstring& value) {
  sections[section].emplace_back(key, value);
}

void udb_profile::add_section(const std::wstring& name) { sections[name]; }

void udb_profile::add_list_item(const std::wstring& list, const std::wstring& text) { lists[list].push_back(text); }

std::wstring udb_profile::get_value(const std::wstring& section, const std::wstring& key) const {
  auto it = sections.find(section);
  if (it == sections.end()) return {};
  for (const auto& [k, v] : it->second)
    if (k == key) return v;
  return {};
}

udb_profile::lines& udb_profile::get_list(const std::wstring& name) { return lists[name]; }
udb_profile::pairs& udb_profile::get_available_queries() { return sections[kAvailableQueries]; }
udb_profile::pairs& udb_profile::get_selected_tables() { return sections[kSelectedTables]; }
udb_profile::pairs& udb_profile::get_selected_views() { return sections[kSelectedViews]; }

bool udb_profile::load(const std::wstring& path) {
  tk_log2(tk_log_detail, L"udb_profile::load(%ls)", path.c_str());
  if (!tk_is_file_exist2(path, tk_file_exists))
    throw tk_exception("Profile does not exist. Please verify the correct path/name was given.", tk_kind_error);
  std::string native_path;
  if (!tk_unicode_to_ansi3(path.c_str(), native_path)) return false;
  // A device or a pipe may never end (/dev/zero): only a plain file is read.
  struct stat state;
  if (::stat(native_path.c_str(), &state) != 0 || !S_ISREG(state.st_mode))
    throw tk_exception("Profile is not a regular file. Please verify the correct path/name was given.", tk_kind_error);
  std::unique_ptr<std::FILE, file_closer> file(std::fopen(native_path.c_str(), "rb"));
  if (!file) return false;

  pairs* current = nullptr;
  std::wstring current_name;
  std::string bytes;
  bool too_long = false;
  std::uint32_t line_number = 0;
  for (;;) {
    const bool read = read_line(file.get(), bytes, max_line, too_long);
    ++line_number;
    if (too_long)
      throw tk_exception(
          "Profile line " + std::to_string(line_number) + " is longer than " + std::to_string(max_line) + " bytes.",
          tk_kind_error);
    if (!read) break;
    // The file is written with CR LF; neither belongs to the line.
    if (!bytes.empty() && bytes.back() == '\n') bytes.pop_back();
    if (!bytes.empty() && bytes.back() == '\r') bytes.pop_back();

    const std::wstring raw = tk_utf8_to_unicode(bytes);
    const std::wstring trimmed = tk_trim(raw);
    if (is_header(trimmed)) {
      current_name = trimmed.substr(1, trimmed.size() - 2);
      current = &sections[current_name];
      continue;
    }
    std::pair<std::wstring, std::wstring> pair;
    if (!pair_of_line(raw, pair)) continue;
    if (current == nullptr) return false;
    // Every line is also kept as it stands in the list of the section's name: a list line may
    // hold "=" itself (a name, a default value).
    lists[current_name].push_back(raw);
    current->push_back(std::move(pair));
  }
  return !std::ferror(file.get());
}

bool udb_profile::store(const std::wstring& path) const {
  tk_log2(tk_log_detail, L"udb_profile::store)");
  std::wstring text;
  // A section and a list of one name that mirror each other (as reading a file leaves them)
  // are one block of the file: in the section's place when its pairs give the list's lines,
  // else the list's lines in the list's place.
  enum class one_block { no, as_section, as_list };
  auto shared_block = [this](const std::wstring& name) {
    auto section = sections.find(name);
    auto list = lists.find(name);
    if (section == sections.end() || list == lists.end() || !list_mirrors_section(list->second, section->second))
      return one_block::no;
    return list_is_section_text(name, list->second, section->second) ? one_block::as_section : one_block::as_list;
  };
  for (const auto& [name, section] : sections) {
    if (shared_block(name) == one_block::as_list) continue;
    text += L"[" + name + L"]" + kLineEnd;
    for (const auto& pair : section) text += line_of_pair(name, pair) + kLineEnd;
    text += kLineEnd;
  }
  for (const auto& [name, list] : lists) {
    if (shared_block(name) == one_block::as_section) continue;
    text += L"[" + name + L"]" + kLineEnd;
    for (const auto& line : list) text += line + kLineEnd;
  }
  const std::string bytes = tk_unicode_to_utf8(text);

  std::string native_path;
  if (!tk_unicode_to_ansi3(path.c_str(), native_path)) return false;
  // Created with the permissions a new file gets (the umask applies), like the profile itself.
  tk_temp_file temp(native_path + ".tmp", "", 0666);
  if (!temp.is_open()) {
    tk_log2(tk_log_event, L"Cannot create a temporary file beside %ls", path.c_str());
    return false;
  }
  // A replaced profile keeps its permissions.
  struct stat old_state;
  const bool replacing = ::stat(native_path.c_str(), &old_state) == 0;
  if ((replacing && ::fchmod(temp.fd(), old_state.st_mode & 07777) != 0) || !temp.write_all(bytes) || !temp.close() ||
      !temp.rename_to(native_path)) {
    tk_log2(tk_log_event, L"Cannot save the profile %ls", path.c_str());
    return false;
  }
  return true;
}
