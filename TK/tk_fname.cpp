// File names, the program's location and file tests over the platform's path functions.
#include "TK/tk_fname.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"
#include "TK/tk_utils.h"
#include "platform/win/file_checks.h"
#include "platform/win/paths.h"

namespace {

// Room for any absolute path the system accepts.
constexpr std::size_t kPathRoom = PATH_MAX + 1;

// A path the system cannot take is the user's input, not a fault of the program: say so.
void check_path_length(std::size_t length) {
  if (length < PATH_MAX) return;
  throw tk_exception(
      "The path is too long: " + std::to_string(length) + " bytes, at most " + std::to_string(PATH_MAX - 1) + ".",
      tk_kind_error);
}

template <typename C>
struct path_parts {
  std::basic_string<C> drive, dir, name, ext;
};

path_parts<char> split(const char* full) {
  std::vector<char> drive(_MAX_DRIVE), dir(kPathRoom), name(kPathRoom), ext(kPathRoom);
  if (_splitpath_s(full, drive.data(), drive.size(), dir.data(), dir.size(), name.data(), name.size(), ext.data(),
                   ext.size()) != 0) {
    throw tk_mail_assertion("tk_fname", 39);
  }
  return {drive.data(), dir.data(), name.data(), ext.data()};
}

path_parts<wchar_t> split(const wchar_t* full) {
  std::vector<wchar_t> drive(_MAX_DRIVE), dir(kPathRoom), name(kPathRoom), ext(kPathRoom);
  if (_wsplitpath_s(full, drive.data(), drive.size(), dir.data(), dir.size(), name.data(), name.size(), ext.data(),
                    ext.size()) != 0) {
    throw tk_mail_assertion("tk_fname", 91);
  }
  return {drive.data(), dir.data(), name.data(), ext.data()};
}

}  // namespace

tk_file_name::tk_file_name(const std::string& path) : tk_file_name(path.c_str()) {}

tk_file_name::tk_file_name(const char* path) {
  tk_log1(tk_log_trace, "tk_file_name::ctor(%s)", path ? path : "(null)");
  initialize(path);
}

void tk_file_name::initialize(const char* path) {
  if (path == nullptr) throw tk_mail_assertion("tk_fname", 31);
  bool own = path[0] == '\0';
  std::string source = own ? tk_get_module_file_name1() : std::string(path);
  check_path_length(source.size());
  std::vector<char> full(kPathRoom);
  if (_fullpath(full.data(), source.c_str(), full.size()) == nullptr) throw tk_mail_assertion("tk_fname", 40);
  path_parts<char> p = split(full.data());
  drive = p.drive;
  directory = p.dir;
  name = own ? std::string() : p.name;
  extension = p.ext;
}

tk_file_wname::tk_file_wname(const std::wstring& path) : tk_file_wname(path.c_str()) {}

tk_file_wname::tk_file_wname(const wchar_t* path) {
  tk_log2(tk_log_trace, L"tk_file_name::ctor(%ls)", path ? path : L"(null)");
  initialize(path);
}

void tk_file_wname::initialize(const wchar_t* path) {
  if (path == nullptr) throw tk_mail_assertion("tk_fname", 83);
  tk_log2(tk_log_trace, L"tk_file_wname::initialize(%ls)", path);
  bool own = path[0] == L'\0';
  std::wstring source = own ? tk_get_module_file_name2() : std::wstring(path);
  check_path_length(tk_unicode_to_utf8(source).size());
  std::vector<wchar_t> full(kPathRoom);
  if (_wfullpath(full.data(), source.c_str(), full.size()) == nullptr) throw tk_mail_assertion("tk_fname", 92);
  path_parts<wchar_t> p = split(full.data());
  drive = p.drive;
  directory = p.dir;
  name = own ? std::wstring() : p.name;
  extension = p.ext;
}

std::wstring tk_file_wname::make_path() const { return drive + directory + name + extension; }

void tk_file_wname::set_ext(const std::wstring& ext) {
  extension = (!ext.empty() && ext[0] != L'.') ? L"." + ext : ext;
}

std::wstring make_default_path(const std::wstring& path, const std::wstring& new_name, const std::wstring& ext,
                               bool keep) {
  if (keep) return new_name;
  tk_file_wname target(path);
  target.name = new_name;
  target.set_ext(ext);
  return target.make_path();
}

std::string tk_get_module_file_name1() {
  std::vector<char> buf(kPathRoom);
  DWORD n = GetModuleFileNameA(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
  if (n == 0 || n >= buf.size()) throw tk_mail_assertion("tk_utils", 119);
  return std::string(buf.data(), n);
}

std::wstring tk_get_module_file_name2() {
  std::vector<wchar_t> buf(kPathRoom);
  DWORD n = GetModuleFileNameW(nullptr, buf.data(), static_cast<DWORD>(buf.size()));
  if (n == 0 || n >= buf.size()) throw tk_mail_assertion("tk_utils", 132);
  return std::wstring(buf.data(), n);
}

std::string tk_get_module_dir() { return tk_file_name(tk_get_module_file_name1()).get_folder(); }

std::uint32_t get_dll_version(const wchar_t* /*library*/) { return (6u << 16) | 0u; }

tk_temp_chdir::tk_temp_chdir(const std::string& path) {
  tk_log1(tk_log_detail, "tk_temp_chdir::ctor");
  initialize(path.empty() ? tk_get_module_dir() : path);
}

void tk_temp_chdir::initialize(const std::string& path) {
  tk_log1(tk_log_detail, "tk_temp_chdir::initialize(%s)", path.c_str());
  tk_log1(tk_log_trace, "Step #1");
  std::vector<char> cwd(kPathRoom);
  if (getcwd(cwd.data(), cwd.size()) == nullptr) {
    tk_log1(tk_log_trace, "_getcwd failed");
    ok_ = false;
    return;
  }
  tk_log1(tk_log_trace, "Step #2");
  saved_ = cwd.data();
  ok_ = chdir(path.c_str()) == 0;
  if (!ok_) tk_log1(tk_log_trace, "_chdir failed");
}

tk_temp_chdir::~tk_temp_chdir() {
  tk_log1(tk_log_detail, "tk_temp_chdir::dtor");
  if (ok_ && chdir(saved_.c_str()) != 0) tk_log1(tk_log_trace, "_chdir failed");
  tk_log1(tk_log_detail, "tk_temp_chdir::dtor - at the END");
}

bool tk_is_path_exist(const std::string& path) {
  tk_log1(tk_log_trace, "tk_is_path_exist(%s)", path.c_str());
  std::string dir = path.empty() ? tk_get_module_dir() : path;
  // What entering the folder would need, asked without entering it: another thread may be
  // resolving relative paths against the working directory meanwhile.
  struct stat st {};
  return stat(dir.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && faccessat(AT_FDCWD, dir.c_str(), X_OK, AT_EACCESS) == 0;
}

bool tk_is_path_exist(const std::wstring& path) {
  std::unique_ptr<char[]> narrow;
  if (!tk_unicode_to_ansi2(path.c_str(), narrow)) return false;
  return tk_is_path_exist(std::string(narrow.get()));
}

namespace {
bool test_attributes(DWORD attributes, std::uint32_t mode) {
  if (attributes == INVALID_FILE_ATTRIBUTES || (attributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
  if (mode == tk_file_writable) return (attributes & FILE_ATTRIBUTE_READONLY) == 0;
  return true;
}
}  // namespace

bool tk_is_file_exist1(const std::string& name, std::uint32_t mode) {
  tk_log1(tk_log_trace, "tk_is_file_exist1(%s,%d)", name.c_str(), static_cast<int>(mode));
  return test_attributes(GetFileAttributesA(name.c_str()), mode);
}

bool tk_is_file_exist2(const std::wstring& name, std::uint32_t mode) {
  tk_log2(tk_log_detail, L"tk_is_file_exist2(%ls,%08X)", name.c_str(), static_cast<unsigned>(mode));
  return test_attributes(GetFileAttributesW(name.c_str()), mode);
}

bool tk_check_access1(const char* path, std::uint32_t desired_access) {
  return path != nullptr && check_file_access(path, desired_access) != FALSE;
}

bool tk_check_access2(const wchar_t* path, std::uint32_t desired_access) {
  std::unique_ptr<char[]> narrow;
  return path != nullptr && tk_unicode_to_ansi2(path, narrow) &&
         check_file_access(narrow.get(), desired_access) != FALSE;
}
