// The settings file behind the registry functions.
#include "platform/win/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "platform/win/code_pages.h"

namespace {

struct reg_value {
  DWORD type = REG_NONE;
  std::string data;  // REG_SZ: UTF-8 text without NUL; REG_DWORD: the decimal number
};

using value_map = std::map<std::string, reg_value>;

std::string escape(const std::string& s) {
  std::string out;
  for (char c : s) {
    switch (c) {
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\0': out += "\\0"; break;
      case '=': out += "\\="; break;
      default: out += c;
    }
  }
  return out;
}

// Undoes escape() on s[from, to); an unknown escape keeps its character.
std::string unescape(const std::string& s, std::size_t from, std::size_t to) {
  std::string out;
  for (std::size_t i = from; i < to; ++i) {
    if (s[i] != '\\' || i + 1 >= to) {
      out += s[i];
      continue;
    }
    char c = s[++i];
    out += c == 'n' ? '\n' : c == 'r' ? '\r' : c == '0' ? '\0' : c;
  }
  return out;
}

// The first '=' that is not escaped, or npos.
std::size_t find_separator(const std::string& line, std::size_t from) {
  for (std::size_t i = from; i < line.size(); ++i) {
    if (line[i] == '\\') {
      ++i;
    } else if (line[i] == '=') {
      return i;
    }
  }
  return std::string::npos;
}

// Lines that do not parse are skipped: one damaged line loses one value, not the file.
value_map parse(std::istream& in) {
  value_map values;
  std::string line;
  while (std::getline(in, line)) {
    reg_value v;
    std::size_t start;
    if (line.rfind("dword:", 0) == 0) {
      v.type = REG_DWORD;
      start = 6;
    } else if (line.rfind("sz:", 0) == 0) {
      v.type = REG_SZ;
      start = 3;
    } else {
      continue;
    }
    std::size_t eq = find_separator(line, start);
    if (eq == std::string::npos) continue;
    v.data = unescape(line, eq + 1, line.size());
    if (v.type == REG_DWORD) {
      DWORD n = 0;
      auto r = std::from_chars(v.data.data(), v.data.data() + v.data.size(), n);
      if (r.ec != std::errc() || r.ptr != v.data.data() + v.data.size()) continue;
    }
    values[unescape(line, start, eq)] = v;
  }
  return values;
}

std::string serialize(const value_map& values) {
  std::string out = "# Settings of this user, one value a line; written by the program.\n";
  for (const auto& [name, v] : values) {
    out += v.type == REG_DWORD ? "dword:" : "sz:";
    out += escape(name);
    out += '=';
    out += escape(v.data);
    out += '\n';
  }
  return out;
}

std::string config_home() {
  const char* xdg = std::getenv("XDG_CONFIG_HOME");
  if (xdg != nullptr && xdg[0] == '/') return xdg;
  const char* home = std::getenv("HOME");
  return std::string(home != nullptr ? home : "") + "/.config";
}

// Creates every missing folder of `path` with mode 0700.
bool make_folders(const std::string& path) {
  for (std::size_t i = 1; i <= path.size(); ++i) {
    if (i == path.size() || path[i] == '/') {
      std::string part = path.substr(0, i);
      if (mkdir(part.c_str(), 0700) != 0 && errno != EEXIST) return false;
    }
  }
  return true;
}

std::string to_utf8(const wchar_t* text, std::size_t n) {
  if (n == 0) return {};
  int len = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
  std::string out(static_cast<std::size_t>(len), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(n), out.data(), len, nullptr, nullptr);
  return out;
}

std::wstring to_wide(const std::string& text) {
  if (text.empty()) return {};
  int len = MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(len), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), out.data(), len);
  return out;
}

// Holds an exclusive flock on the folder's lock file while alive.
class folder_lock {
 public:
  explicit folder_lock(const std::string& folder)
      : fd_(open((folder + "/.lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600)) {
    if (fd_ >= 0) {
      while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
      }
    }
  }
  ~folder_lock() {
    if (fd_ >= 0) close(fd_);  // closing releases the lock
  }
  folder_lock(const folder_lock&) = delete;
  folder_lock& operator=(const folder_lock&) = delete;
  bool ok() const { return fd_ >= 0; }

 private:
  int fd_;
};

}  // namespace

struct reg_key_state {
  std::string folder;
  std::string file;
  value_map values;
  value_map changed;  // what this key set, written back at close

  bool load() {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    values = parse(in);
    return true;
  }

  // Merges this key's changes into the file as it is now and replaces it whole.
  LONG save() {
    if (changed.empty()) return ERROR_SUCCESS;
    folder_lock lock(folder);
    if (!lock.ok()) return errno;
    value_map current;
    {
      std::ifstream in(file, std::ios::binary);
      if (in) current = parse(in);
    }
    for (const auto& [name, v] : changed) current[name] = v;
    std::string text = serialize(current);
    std::string temp = file + ".XXXXXX";
    int fd = mkstemp(temp.data());  // mode 0600
    if (fd < 0) return errno;
    std::size_t done = 0;
    while (done < text.size()) {
      ssize_t n = write(fd, text.data() + done, text.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        int err = errno;
        close(fd);
        unlink(temp.c_str());
        return err;
      }
      done += static_cast<std::size_t>(n);
    }
    if (fsync(fd) != 0 || close(fd) != 0 || rename(temp.c_str(), file.c_str()) != 0) {
      int err = errno;
      unlink(temp.c_str());
      return err;
    }
    changed.clear();
    return ERROR_SUCCESS;
  }

  LONG query(const std::string& name, DWORD* type, reg_value& out) const {
    auto it = values.find(name);
    if (it == values.end()) return ERROR_FILE_NOT_FOUND;
    if (type != nullptr) *type = it->second.type;
    out = it->second;
    return ERROR_SUCCESS;
  }

  void set(const std::string& name, reg_value v) {
    values[name] = v;
    changed[name] = std::move(v);
  }
};

namespace {

bool valid(HKEY key) { return key != nullptr && key != HKEY_CURRENT_USER; }

// Copies `bytes` to the caller's buffer as the Windows calls do.
LONG answer(const void* bytes, DWORD n, LPBYTE data, LPDWORD size) {
  if (size == nullptr) return data == nullptr ? ERROR_SUCCESS : ERROR_INVALID_PARAMETER;
  DWORD room = *size;
  *size = n;
  if (data == nullptr) return ERROR_SUCCESS;
  if (room < n) return ERROR_MORE_DATA;
  std::memcpy(data, bytes, n);
  return ERROR_SUCCESS;
}

LONG answer_value(const reg_value& v, bool wide, LPBYTE data, LPDWORD size) {
  if (v.type == REG_DWORD) {
    DWORD n = 0;
    std::from_chars(v.data.data(), v.data.data() + v.data.size(), n);
    return answer(&n, sizeof n, data, size);
  }
  if (wide) {
    std::wstring w = to_wide(v.data);
    return answer(w.c_str(), static_cast<DWORD>((w.size() + 1) * sizeof(wchar_t)), data, size);
  }
  return answer(v.data.c_str(), static_cast<DWORD>(v.data.size() + 1), data, size);
}

LONG set_value(HKEY key, const std::string& name, DWORD type, const BYTE* data, DWORD size, bool wide) {
  if (!valid(key) || (data == nullptr && size > 0)) return ERROR_INVALID_PARAMETER;
  reg_value v;
  v.type = type;
  if (type == REG_DWORD) {
    if (size != sizeof(DWORD)) return ERROR_INVALID_PARAMETER;
    DWORD n;
    std::memcpy(&n, data, sizeof n);
    v.data = std::to_string(n);
  } else if (type == REG_SZ) {
    if (wide) {
      std::vector<wchar_t> w(size / sizeof(wchar_t));
      if (!w.empty()) std::memcpy(w.data(), data, w.size() * sizeof(wchar_t));
      std::size_t n = 0;
      while (n < w.size() && w[n] != L'\0') ++n;
      v.data = to_utf8(w.data(), n);
    } else {
      const char* text = reinterpret_cast<const char*>(data);
      v.data.assign(text, strnlen(text, size));
    }
  } else {
    return ERROR_INVALID_PARAMETER;
  }
  key->set(name, std::move(v));
  return ERROR_SUCCESS;
}

}  // namespace

LONG RegCreateKeyExA(HKEY parent, LPCSTR sub_key, DWORD /*reserved*/, LPSTR /*key_class*/, DWORD /*options*/,
                     REGSAM /*desired*/, const SECURITY_ATTRIBUTES* /*security*/, PHKEY result, LPDWORD disposition) {
  if (parent != HKEY_CURRENT_USER || sub_key == nullptr || result == nullptr) {
    return ERROR_INVALID_PARAMETER;
  }
  std::string path(sub_key);
  if (path.rfind("Software\\", 0) == 0) path.erase(0, 9);
  for (char& c : path) {
    if (c == '\\') c = '/';
  }
  if (path.empty() || path.find("..") != std::string::npos) return ERROR_INVALID_PARAMETER;
  auto key = std::make_unique<reg_key_state>();
  key->folder = config_home() + "/" + path;
  key->file = key->folder + "/settings";
  if (!make_folders(key->folder)) return errno;
  bool existed = key->load();
  if (disposition != nullptr) *disposition = existed ? REG_OPENED_EXISTING_KEY : REG_CREATED_NEW_KEY;
  *result = key.release();
  return ERROR_SUCCESS;
}

LONG RegCloseKey(HKEY key) {
  if (!valid(key)) return ERROR_INVALID_HANDLE;
  LONG status = key->save();
  delete key;
  return status;
}

LONG RegQueryValueExA(HKEY key, LPCSTR name, LPDWORD /*reserved*/, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (!valid(key)) return ERROR_INVALID_HANDLE;
  reg_value v;
  LONG status = key->query(name != nullptr ? name : "", type, v);
  return status != ERROR_SUCCESS ? status : answer_value(v, false, data, size);
}

LONG RegQueryValueExW(HKEY key, LPCWSTR name, LPDWORD /*reserved*/, LPDWORD type, LPBYTE data, LPDWORD size) {
  if (!valid(key)) return ERROR_INVALID_HANDLE;
  reg_value v;
  std::string narrow = name != nullptr ? to_utf8(name, std::wcslen(name)) : std::string();
  LONG status = key->query(narrow, type, v);
  return status != ERROR_SUCCESS ? status : answer_value(v, true, data, size);
}

LONG RegSetValueExA(HKEY key, LPCSTR name, DWORD /*reserved*/, DWORD type, const BYTE* data, DWORD size) {
  return set_value(key, name != nullptr ? name : "", type, data, size, false);
}

LONG RegSetValueExW(HKEY key, LPCWSTR name, DWORD /*reserved*/, DWORD type, const BYTE* data, DWORD size) {
  std::string narrow = name != nullptr ? to_utf8(name, std::wcslen(name)) : std::string();
  return set_value(key, narrow, type, data, size, true);
}
