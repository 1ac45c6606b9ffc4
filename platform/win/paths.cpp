// Lexical path handling on POSIX paths behind the C runtime's Windows path functions.
#include "platform/win/paths.h"

#include <unistd.h>

#include <cerrno>
#include <climits>
#include <string>
#include <vector>

#include "platform/win/code_pages.h"
#include "platform/win/last_error.h"

namespace {

std::wstring widen(const std::string& s) {
  if (s.empty()) return {};
  int n = MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), nullptr, 0);
  std::wstring out(static_cast<std::size_t>(n), L'\0');
  MultiByteToWideChar(CP_UTF8, 0, s.data(), static_cast<int>(s.size()), out.data(), n);
  return out;
}

template <typename C>
std::basic_string<C> current_dir();

template <>
std::string current_dir<char>() {
  std::vector<char> buf(PATH_MAX);
  if (getcwd(buf.data(), buf.size()) == nullptr) return {};
  return buf.data();
}

template <>
std::wstring current_dir<wchar_t>() {
  return widen(current_dir<char>());
}

// "/a/./b/../c" -> "/a/c"; keeps a trailing '/' of the input.
template <typename C>
std::basic_string<C> normalize(const std::basic_string<C>& abs) {
  std::vector<std::basic_string<C>> parts;
  std::size_t i = 0;
  while (i <= abs.size()) {
    std::size_t j = abs.find(C('/'), i);
    if (j == std::basic_string<C>::npos) j = abs.size();
    std::basic_string<C> part = abs.substr(i, j - i);
    if (part.size() == 1 && part[0] == C('.')) {
      // stays where it is
    } else if (part.size() == 2 && part[0] == C('.') && part[1] == C('.')) {
      if (!parts.empty()) parts.pop_back();
    } else if (!part.empty()) {
      parts.push_back(part);
    }
    i = j + 1;
  }
  std::basic_string<C> out;
  for (const auto& p : parts) {
    out += C('/');
    out += p;
  }
  bool trailing = abs.size() > 1 && abs.back() == C('/') && !parts.empty();
  if (out.empty() || trailing) out += C('/');
  return out;
}

template <typename C>
C* full_path(C* out, const C* path, std::size_t size) {
  if (out == nullptr || path == nullptr) {
    errno = EINVAL;
    return nullptr;
  }
  std::basic_string<C> p(path);
  if (p.empty() || p[0] != C('/')) {
    std::basic_string<C> cwd = current_dir<C>();
    if (cwd.empty()) {
      errno = ENOENT;
      return nullptr;
    }
    p = p.empty() ? cwd : cwd + C('/') + p;
  }
  std::basic_string<C> abs = normalize(p);
  if (abs.size() + 1 > size) {
    errno = ERANGE;
    return nullptr;
  }
  std::copy(abs.begin(), abs.end(), out);
  out[abs.size()] = C('\0');
  return out;
}

template <typename C>
bool put(C* out, std::size_t size, const std::basic_string<C>& s) {
  if (out == nullptr) return true;
  if (s.size() + 1 > size) return false;
  std::copy(s.begin(), s.end(), out);
  out[s.size()] = C('\0');
  return true;
}

template <typename C>
int split_path(const C* path, C* drive, std::size_t drive_size, C* dir, std::size_t dir_size, C* name,
               std::size_t name_size, C* ext, std::size_t ext_size) {
  auto bad = [](C* p, std::size_t n) { return (p == nullptr) != (n == 0); };
  if (path == nullptr || bad(drive, drive_size) || bad(dir, dir_size) || bad(name, name_size) || bad(ext, ext_size)) {
    return EINVAL;
  }
  std::basic_string<C> p(path);
  std::size_t slash = p.rfind(C('/'));
  std::size_t start = slash == std::basic_string<C>::npos ? 0 : slash + 1;
  std::basic_string<C> d = p.substr(0, start);
  std::basic_string<C> last = p.substr(start);
  std::size_t dot = last.rfind(C('.'));
  std::basic_string<C> n = dot == std::basic_string<C>::npos ? last : last.substr(0, dot);
  std::basic_string<C> e = dot == std::basic_string<C>::npos ? std::basic_string<C>() : last.substr(dot);
  if (!put(drive, drive_size, std::basic_string<C>()) || !put(dir, dir_size, d) || !put(name, name_size, n) ||
      !put(ext, ext_size, e)) {
    for (auto [q, sz] : {std::pair{drive, drive_size}, {dir, dir_size}, {name, name_size}, {ext, ext_size}}) {
      if (q != nullptr && sz > 0) q[0] = C('\0');
    }
    return ERANGE;
  }
  return 0;
}

template <typename C>
int make_path(C* out, std::size_t size, const C* drive, const C* dir, const C* name, const C* ext) {
  if (out == nullptr || size == 0) return EINVAL;
  std::basic_string<C> s;
  if (drive != nullptr) s += drive;
  if (dir != nullptr && dir[0] != C('\0')) {
    s += dir;
    if (s.back() != C('/')) s += C('/');
  }
  if (name != nullptr) s += name;
  if (ext != nullptr && ext[0] != C('\0')) {
    if (ext[0] != C('.')) s += C('.');
    s += ext;
  }
  if (!put(out, size, s)) {
    out[0] = C('\0');
    return ERANGE;
  }
  return 0;
}

// The program's path, or empty with the last error set.
std::string module_path() {
  std::vector<char> buf(PATH_MAX + 1);
  ssize_t n = readlink("/proc/self/exe", buf.data(), buf.size() - 1);
  if (n <= 0) {
    SetLastErrorFromErrno();
    return {};
  }
  return std::string(buf.data(), static_cast<std::size_t>(n));
}

template <typename C>
DWORD copy_module_path(HMODULE module, C* out, DWORD size, const std::basic_string<C>& path) {
  if (module != nullptr || out == nullptr || size == 0) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return 0;
  }
  if (path.empty()) return 0;
  if (path.size() + 1 > size) {
    std::copy(path.begin(), path.begin() + (size - 1), out);
    out[size - 1] = C('\0');
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return size;
  }
  std::copy(path.begin(), path.end(), out);
  out[path.size()] = C('\0');
  return static_cast<DWORD>(path.size());
}

}  // namespace

char* _fullpath(char* out, const char* path, std::size_t size) { return full_path(out, path, size); }

wchar_t* _wfullpath(wchar_t* out, const wchar_t* path, std::size_t size) { return full_path(out, path, size); }

int _splitpath_s(const char* path, char* drive, std::size_t drive_size, char* dir, std::size_t dir_size, char* name,
                 std::size_t name_size, char* ext, std::size_t ext_size) {
  return split_path(path, drive, drive_size, dir, dir_size, name, name_size, ext, ext_size);
}

int _wsplitpath_s(const wchar_t* path, wchar_t* drive, std::size_t drive_size, wchar_t* dir, std::size_t dir_size,
                  wchar_t* name, std::size_t name_size, wchar_t* ext, std::size_t ext_size) {
  return split_path(path, drive, drive_size, dir, dir_size, name, name_size, ext, ext_size);
}

int _makepath_s(char* out, std::size_t size, const char* drive, const char* dir, const char* name, const char* ext) {
  return make_path(out, size, drive, dir, name, ext);
}

int _wmakepath_s(wchar_t* out, std::size_t size, const wchar_t* drive, const wchar_t* dir, const wchar_t* name,
                 const wchar_t* ext) {
  return make_path(out, size, drive, dir, name, ext);
}

DWORD GetModuleFileNameA(HMODULE module, LPSTR out, DWORD size) {
  return copy_module_path(module, out, size, module_path());
}

DWORD GetModuleFileNameW(HMODULE module, LPWSTR out, DWORD size) {
  return copy_module_path(module, out, size, widen(module_path()));
}
