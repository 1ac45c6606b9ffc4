// The settings key and the serializer over the platform's registry functions.
#include "TK/tk_regk.h"

#include <algorithm>
#include <cstring>
#include <cwchar>
#include <vector>

#include "TK/tk_exception.h"
#include "TK/tk_logger.h"

tk_reg_key::~tk_reg_key() { close(); }

LONG tk_reg_key::create(HKEY parent, const char* sub_key, char* key_class, std::uint32_t options, std::uint32_t desired,
                        const SECURITY_ATTRIBUTES* security, std::uint32_t* disposition) {
  if (parent == nullptr) throw tk_mail_assertion("tk_regk", 64);
  HKEY opened = nullptr;
  DWORD how = 0;
  LONG status = RegCreateKeyExA(parent, sub_key, 0, key_class, options, desired, security, &opened, &how);
  if (status != 0) return status;
  if (disposition != nullptr) *disposition = how;
  LONG closed = close();
  key_ = opened;
  return closed;
}

LONG tk_reg_key::close() {
  if (key_ == nullptr) return 0;
  LONG status = RegCloseKey(key_);
  key_ = nullptr;
  return status;
}

LONG tk_reg_key::get_value(std::uint32_t* value, const char* name) {
  if (name == nullptr) throw tk_mail_assertion("tk_regk", 98);
  tk_log1(tk_log_detail, "tk_reg_key::get_value(ulong, %s)", name);
  DWORD type = 0, size = sizeof(std::uint32_t);
  LONG status = RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<LPBYTE>(value), &size);
  tk_log1(tk_log_trace, "type=%d, size=%d", static_cast<int>(type), static_cast<int>(size));
  return status;
}

LONG tk_reg_key::get_value(char* data, const char* name, std::uint32_t* size) {
  if (size == nullptr) throw tk_mail_assertion("tk_regk", 115);
  if (name == nullptr) throw tk_mail_assertion("tk_regk", 116);
  tk_log1(tk_log_detail, "tk_reg_key::get_value(LPSTR, %s)", name);
  DWORD type = 0, n = *size;
  LONG status = RegQueryValueExA(key_, name, nullptr, &type, reinterpret_cast<LPBYTE>(data), &n);
  *size = n;
  tk_log1(tk_log_trace, "type=%d, size=%d", static_cast<int>(type), static_cast<int>(n));
  return status;
}

LONG tk_reg_key::get_value(wchar_t* data, const wchar_t* name, std::uint32_t* size) {
  if (size == nullptr) throw tk_mail_assertion("tk_regk", 132);
  if (name == nullptr) throw tk_mail_assertion("tk_regk", 133);
  tk_log2(tk_log_detail, L"tk_reg_key::get_value(LPWSTR, %ls)", name);
  DWORD type = 0, n = *size;
  LONG status = RegQueryValueExW(key_, name, nullptr, &type, reinterpret_cast<LPBYTE>(data), &n);
  *size = n;
  return status;
}

LONG tk_reg_key::set_value(std::uint32_t value, const char* name) {
  if (key_ == nullptr) throw tk_mail_assertion("tk_regk", 149);
  return RegSetValueExA(key_, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG tk_reg_key::set_value(const char* text, const char* name) {
  if (text == nullptr) throw tk_mail_assertion("tk_regk", 156);
  if (key_ == nullptr) throw tk_mail_assertion("tk_regk", 157);
  return RegSetValueExA(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>(std::strlen(text) + 1));
}

LONG tk_reg_key::set_value(const wchar_t* text, const wchar_t* name) {
  if (text == nullptr) throw tk_mail_assertion("tk_regk", 164);
  if (key_ == nullptr) throw tk_mail_assertion("tk_regk", 165);
  return RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                        static_cast<DWORD>((std::wcslen(text) + 1) * sizeof(wchar_t)));
}

tk_serializer::tk_serializer(const std::string& path) : path_(path) {}

LONG tk_serializer::open() {
  return key_.create(HKEY_CURRENT_USER, path_.c_str(), nullptr, 0, KEY_ALL_ACCESS, nullptr, nullptr);
}

bool tk_serializer::exchange(const char* name, bool& value, bool store) {
  if (!key_.is_open()) return false;
  if (store) return key_.set_value(value ? 1u : 0u, name) == 0;
  std::uint32_t n = 0;
  if (key_.get_value(&n, name) != 0) return false;
  value = n != 0;
  return true;
}

bool tk_serializer::exchange(const char* name, std::uint32_t& value, bool store) {
  if (!key_.is_open()) return false;
  if (store) return key_.set_value(value, name) == 0;
  std::uint32_t n = 0;
  if (key_.get_value(&n, name) != 0) return false;
  value = n;
  return true;
}

bool tk_serializer::exchange(const char* name, std::string& value, bool store) {
  if (!key_.is_open()) return false;
  if (store) return key_.set_value(value.c_str(), name) == 0;
  std::uint32_t size = 0;
  if (key_.get_value(nullptr, name, &size) != 0 || size == 0) return false;
  std::vector<char> buf(size);
  if (key_.get_value(buf.data(), name, &size) != 0) return false;
  // A value stored without its NUL ends at its last byte, never beyond.
  value.assign(buf.data(), strnlen(buf.data(), std::min<std::size_t>(size, buf.size())));
  return true;
}

bool tk_serializer::exchange(const wchar_t* name, std::wstring& value, bool store) {
  if (!key_.is_open()) return false;
  if (store) return key_.set_value(value.c_str(), name) == 0;
  std::uint32_t size = 0;
  if (key_.get_value(nullptr, name, &size) != 0 || size == 0) return false;
  std::vector<wchar_t> buf((size + sizeof(wchar_t) - 1) / sizeof(wchar_t));
  std::uint32_t room = static_cast<std::uint32_t>(buf.size() * sizeof(wchar_t));
  if (key_.get_value(buf.data(), name, &room) != 0) return false;
  std::size_t n = std::min<std::size_t>(room / sizeof(wchar_t), buf.size());
  value.assign(buf.data(), wcsnlen(buf.data(), n));
  return true;
}
