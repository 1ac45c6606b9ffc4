// Temporary files created exclusively and renamed into place, and the file identity tests the
// checks of a destination need.
#include "TK/tk_temp_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <random>

#include "TK/tk_exit_cleanup.h"
#include "TK/tk_fname.h"

tk_temp_file::tk_temp_file(const std::string& stem, const std::string& suffix, mode_t mode) {
  std::random_device random;
  for (int attempt = 0; attempt < 16 && fd_ < 0; ++attempt) {
    path_ = stem + "-" + std::to_string(::getpid()) + "-" + std::to_string(random()) + suffix;
    fd_ = ::open(path_.c_str(), O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    error_ = fd_ < 0 ? errno : 0;
    if (fd_ < 0 && error_ != EEXIST) break;
  }
  if (fd_ < 0) {
    path_.clear();
    return;
  }
  cleanup_ = tk_remove_on_exit(path_);
}

tk_temp_file::~tk_temp_file() {
  if (fd_ >= 0) ::close(fd_);
  discard();
}

bool tk_temp_file::write_all(const std::string& bytes) {
  const char* p = bytes.data();
  std::size_t left = bytes.size();
  while (left > 0) {
    const ssize_t n = ::write(fd_, p, left);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    p += n;
    left -= static_cast<std::size_t>(n);
  }
  return true;
}

std::FILE* tk_temp_file::release_to_stream(const char* how) {
  if (fd_ < 0) return nullptr;
  std::FILE* stream = ::fdopen(fd_, how);
  if (stream != nullptr) fd_ = -1;
  return stream;
}

bool tk_temp_file::close(bool durable) {
  if (fd_ < 0) return false;
  const bool synced = !durable || ::fsync(fd_) == 0;
  const bool closed = ::close(fd_) == 0;
  fd_ = -1;
  return synced && closed;
}

bool tk_temp_file::rename_to(const std::string& target) {
  if (path_.empty() || ::rename(path_.c_str(), target.c_str()) != 0) return false;
  tk_keep_on_exit(cleanup_);
  cleanup_ = -1;
  path_.clear();
  return true;
}

void tk_temp_file::discard() {
  if (path_.empty()) return;
  ::unlink(path_.c_str());
  tk_keep_on_exit(cleanup_);
  cleanup_ = -1;
  path_.clear();
}

std::string tk_temp_folder() {
  const char* folder = std::getenv("TMPDIR");
  if (folder != nullptr && folder[0] == '/') return folder;
  return "/tmp";
}

tk_path_kind tk_lstat_kind(const std::string& path) {
  struct stat state;
  if (::lstat(path.c_str(), &state) != 0) return tk_path_kind::missing;
  if (S_ISREG(state.st_mode)) return tk_path_kind::regular;
  if (S_ISDIR(state.st_mode)) return tk_path_kind::directory;
  if (S_ISLNK(state.st_mode)) return tk_path_kind::symlink;
  return tk_path_kind::other;
}

namespace {

// The absolute path of a file that need not exist, through the real path of its folder.
std::string real_location(const std::string& path) {
  const tk_file_name parts(path);
  char folder[PATH_MAX];
  std::string location = parts.get_folder();
  if (::realpath(location.c_str(), folder) != nullptr) {
    location = folder;
    if (location.empty() || location.back() != '/') location += '/';
  }
  return location + parts.name + parts.extension;
}

}  // namespace

bool tk_same_file(const std::string& a, const std::string& b) {
  struct stat state_a;
  struct stat state_b;
  const bool a_exists = ::stat(a.c_str(), &state_a) == 0;
  const bool b_exists = ::stat(b.c_str(), &state_b) == 0;
  if (a_exists && b_exists) return state_a.st_dev == state_b.st_dev && state_a.st_ino == state_b.st_ino;
  if (a_exists || b_exists) return false;
  return real_location(a) == real_location(b);
}
