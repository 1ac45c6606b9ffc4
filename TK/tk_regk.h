// The per-user settings store: tk_reg_key wraps one open key of the settings (the registry's
// place, a file here), tk_serializer adds the settings path and one exchange per value type that
// stores or loads a setting, so that one routine of its owner serves both directions.
#pragma once

#include <cstdint>
#include <string>

#include "platform/win/registry.h"

class tk_reg_key {
 public:
  tk_reg_key() = default;
  ~tk_reg_key();
  tk_reg_key(const tk_reg_key&) = delete;
  tk_reg_key& operator=(const tk_reg_key&) = delete;

  // Opens (creating when missing) `sub_key` below `parent`. On success a key held so far is closed
  // first and the status of that close comes back (0 when none was held); on failure the status,
  // and the key held so far stays. A null parent is an internal error.
  LONG create(HKEY parent, const char* sub_key, char* key_class, std::uint32_t options, std::uint32_t desired,
              const SECURITY_ATTRIBUTES* security, std::uint32_t* disposition);
  // Closes the key, which saves what was set through it; its status, or 0 when none is held.
  LONG close();

  // Each answers the status of the read, without checking the stored type. The text forms take
  // the room of `data` in bytes in *size and answer the size of the value (its NUL included);
  // data may be null to ask for the size alone.
  LONG get_value(std::uint32_t* value, const char* name);
  LONG get_value(char* data, const char* name, std::uint32_t* size);
  LONG get_value(wchar_t* data, const wchar_t* name, std::uint32_t* size);

  LONG set_value(std::uint32_t value, const char* name);
  LONG set_value(const char* text, const char* name);
  LONG set_value(const wchar_t* text, const wchar_t* name);

  bool is_open() const { return key_ != nullptr; }

 private:
  HKEY key_ = nullptr;
};

class tk_serializer {
 public:
  // path: the settings' place below HKEY_CURRENT_USER, e.g. "Software\\Quellbrook\\Ostrelle".
  explicit tk_serializer(const std::string& path);

  // Stores the value (store true) or loads it. Answers false, leaving the value as it was, when no
  // key is open or the value cannot be read or written: a setting never stored keeps its default.
  bool exchange(const char* name, bool& value, bool store);
  bool exchange(const char* name, std::uint32_t& value, bool store);
  bool exchange(const char* name, std::string& value, bool store);
  bool exchange(const wchar_t* name, std::wstring& value, bool store);

  // The calling order of an owner: open, exchange each setting, close (which saves).
  LONG open();
  LONG close() { return key_.close(); }

  tk_reg_key& key() { return key_; }
  const std::string& path() const { return path_; }

 private:
  tk_reg_key key_;
  std::string path_;
};
