// A file written under a temporary name and renamed into place only when it is whole, so that
// no reader (and no aborted run) ever sees half of it under its real name.
#pragma once

#include <sys/types.h>

#include <cstdio>
#include <string>

class tk_temp_file {
 public:
  // Creates "<stem>-<pid>-<random><suffix>" exclusively (never through a symbolic link, never an
  // existing file) with `mode` (the umask applies). The file is removed by the destructor, and
  // on SIGINT, SIGTERM, SIGHUP or exit(), unless it was renamed into place. is_open() tells
  // whether the creation succeeded; error() then holds its errno.
  tk_temp_file(const std::string& stem, const std::string& suffix, mode_t mode);
  ~tk_temp_file();
  tk_temp_file(const tk_temp_file&) = delete;
  tk_temp_file& operator=(const tk_temp_file&) = delete;

  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  int error() const { return error_; }
  const std::string& path() const { return path_; }

  bool write_all(const std::string& bytes);
  // The descriptor as a stdio stream that owns it from now on (null when that fails).
  std::FILE* release_to_stream(const char* how);
  // Closes the file; `durable` flushes it to disk first, so that a rename only ever follows a
  // complete file (a scratch file that dies with the process needs no flush).
  bool close(bool durable = true);
  // Renames the file over `target`; from then on it is the target's and is not removed.
  bool rename_to(const std::string& target);
  // Removes the file now (the destructor would).
  void discard();

 private:
  std::string path_;
  int fd_ = -1;
  int error_ = 0;
  int cleanup_ = -1;
};

// The folder for temporary files: $TMPDIR when it names an absolute path, else /tmp.
std::string tk_temp_folder();

// What a path names, without following a symbolic link at its end.
enum class tk_path_kind { missing, regular, directory, symlink, other };
tk_path_kind tk_lstat_kind(const std::string& path);

// Whether two paths name the same file: the same device and inode when both exist; the same
// absolute path (through the real folder) when neither exists yet.
bool tk_same_file(const std::string& a, const std::string& b);
