// Naming and testing files: a path split into its parts and joined again, the program's own file
// and folder, entering a directory for a while, and tests for existence, writability and access.
//
// Paths are POSIX paths; the drive part is always empty and a path "has a drive" when it is
// absolute. Paths may be as long as the system allows (no 260-character limit).
#pragma once

#include <cstdint>
#include <string>

// The parts of one full path: extension (with its '.'), drive (always empty here), name (without
// extension) and directory (with its leading and trailing '/').
class tk_file_name {
 public:
  // An empty path stands for the program's own file with its name cleared; any other path is
  // made absolute against the working directory (the file need not exist) and split.
  explicit tk_file_name(const std::string& path);
  explicit tk_file_name(const char* path);

  void initialize(const char* path);
  std::string get_folder() const { return drive + directory; }
  std::string make_path() const { return drive + directory + name + extension; }

  std::string extension;
  std::string drive;
  std::string name;
  std::string directory;
};

class tk_file_wname {
 public:
  explicit tk_file_wname(const std::wstring& path);
  explicit tk_file_wname(const wchar_t* path);

  void initialize(const wchar_t* path);
  std::wstring get_folder() const { return drive + directory; }
  std::wstring make_path() const;
  // Stores "." + ext unless ext is empty or already begins with '.'.
  void set_ext(const std::wstring& ext);

  std::wstring extension;
  std::wstring drive;
  std::wstring name;
  std::wstring directory;
};

// With keep: new_name as given. Otherwise new_name with extension `ext` in the folder of `path`; a
// relative path is taken from the working directory, an empty one means the program's own file.
std::wstring make_default_path(const std::wstring& path, const std::wstring& new_name, const std::wstring& ext,
                               bool keep);

// The program file's full path; the narrow form in the ANSI code page.
std::string tk_get_module_file_name1();
std::wstring tk_get_module_file_name2();
// The program's folder with its trailing '/'.
std::string tk_get_module_dir();

// (major << 16) | minor of a shared library of the platform. Only the common controls are asked
// for; the engine runs without them and answers the version the wizard needs (6.0).
std::uint32_t get_dll_version(const wchar_t* library);

// Enters a directory for the life of the object (changing the whole process's working
// directory); the previous one comes back in the destructor. Empty: the program's folder.
class tk_temp_chdir {
 public:
  explicit tk_temp_chdir(const std::string& path);
  ~tk_temp_chdir();
  tk_temp_chdir(const tk_temp_chdir&) = delete;
  tk_temp_chdir& operator=(const tk_temp_chdir&) = delete;

  bool ok() const { return ok_; }

 private:
  void initialize(const std::string& path);
  bool ok_ = true;
  std::string saved_;
};

// Whether the path names a directory the process may enter; empty: the program's folder. The
// working directory is left alone.
bool tk_is_path_exist(const std::string& path);
bool tk_is_path_exist(const std::wstring& path);

// Modes of tk_is_file_exist1/2.
constexpr std::uint32_t tk_file_exists = 0x4000;  // exists and is not a directory
constexpr std::uint32_t tk_file_writable = 1;     // ... and is not read-only

bool tk_is_file_exist1(const std::string& name, std::uint32_t mode);
bool tk_is_file_exist2(const std::wstring& name, std::uint32_t mode);

// Whether the process may use the file or directory with the desired GENERIC_ rights.
bool tk_check_access1(const char* path, std::uint32_t desired_access);
bool tk_check_access2(const wchar_t* path, std::uint32_t desired_access);
